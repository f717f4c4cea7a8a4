#pragma once

#include <string>

namespace core {

struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    double width = 0;
    double height = 0;
    bool operator==(const Size&) const = default;
};

// Whether each side differs by at most tolerance.
bool sameSize(Size a, Size b, double tolerance);

// A rectangle with the platform's semantics: negative sizes are standardised by every
// query, and an empty intersection is the null rectangle (infinite origin, zero size).
struct Rect {
    Point origin;
    Size size;

    Rect() = default;
    Rect(double x, double y, double w, double h) : origin{x, y}, size{w, h} {}
    Rect(Point o, Size s) : origin(o), size(s) {}

    static Rect null();

    bool operator==(const Rect&) const = default;

    double x() const { return origin.x; }
    double y() const { return origin.y; }
    double width() const { return size.width; }
    double height() const { return size.height; }

    Rect standardized() const;
    double minX() const;
    double maxX() const;
    double midX() const;
    double minY() const;
    double maxY() const;
    double midY() const;

    bool isNull() const;
    // Null, or a zero width or height.
    bool isEmpty() const;
    // Half-open: the max edges are outside, as the platform's own test has it.
    bool contains(Point p) const;
    bool contains(const Rect& other) const;
    bool intersects(const Rect& other) const;
    Rect intersection(const Rect& other) const;
    Rect united(const Rect& other) const;
    Rect insetBy(double dx, double dy) const;
    Rect offsetBy(double dx, double dy) const;
    double area() const;
};

// Converts between global coordinates (top-left origin, y down) and screen coordinates
// (bottom-left origin, y up). The conversion is its own inverse.
Point flipped(Point p, double firstScreenHeight);
Rect flipped(const Rect& r, double firstScreenHeight);

// The text form used in logs: shortest round-trip with at least one decimal ("812.0").
std::string numberText(double value);
// "(x, y, w, h)" with each number in numberText form.
std::string rectText(const Rect& r);
std::string pointText(Point p);
std::string sizeText(Size s);

}  // namespace core
