#pragma once

#include "platform/core/Geometry.h"
#include "platform/ui/Keyframes.h"
#include "platform/ui/UiFont.h"

#include <QColor>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace ui {

// An outline of straight segments and ellipses, in its layer's coordinates (bottom-left
// origin, y up).
struct LayerPath {
    struct Subpath {
        std::vector<core::Point> points;
        bool closed = false;

        bool operator==(const Subpath&) const = default;
    };
    std::vector<Subpath> subpaths;
    std::vector<core::Rect> ellipses;  // each inscribed in its rectangle

    static LayerPath segment(core::Point from, core::Point to);
    static LayerPath polyline(std::vector<core::Point> points, bool closed = false);
    static LayerPath ellipse(const core::Rect& in);
    // Appends the other path's subpaths and ellipses.
    LayerPath& add(const LayerPath& other);

    bool operator==(const LayerPath&) const = default;
};

// Point by point; paths of different shapes give the first one.
LayerPath interpolate(const LayerPath& from, const LayerPath& to, double progress);

// A retained tree of drawn rectangles, gradients, outlines and texts, animated by looping
// keyframe tracks. Coordinates are bottom-left with y up: a layer's frame is in its
// superlayer's bounds, which start at (0, 0). position is where the anchor point (a
// fraction of the bounds) lies; opacity, scale and rotation (radians, counter-clockwise)
// apply about it. The model values stay as set; tracks change only what presentation(t)
// reports, t seconds after the tree was built. Main thread only.
class Layer {
public:
    enum class Kind { plain, gradient, shape, text };

    explicit Layer(Kind kind = Kind::plain) : kind_(kind) {}
    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;

    Kind kind() const { return kind_; }

    // ---- tree ----
    // A new sublayer drawn above the existing ones, owned by this layer.
    Layer& addSublayer(Kind kind = Kind::plain);
    const std::vector<std::unique_ptr<Layer>>& sublayers() const { return sublayers_; }
    // Removes every sublayer, with its own sublayers and tracks.
    void removeAllSublayers();
    Layer* superlayer() const { return superlayer_; }

    // ---- geometry (model values) ----
    std::string name;  // how a state dump names an actor; empty for the rest
    core::Size size;
    core::Point position;
    core::Point anchorPoint{0.5, 0.5};
    // Sets size and position so that the bounds cover the rectangle (about the anchor).
    void setFrame(const core::Rect& frame);
    // The rectangle the model values cover in the superlayer, before scale and rotation.
    core::Rect frame() const;

    double opacity = 1;
    double scale = 1;     // uniform
    double rotation = 0;  // radians about the anchor

    // ---- look ----
    QColor backgroundColor;  // invalid: none
    double cornerRadius = 0;
    double borderWidth = 0;
    QColor borderColor;
    bool masksToBounds = false;  // sublayers clipped to the rounded bounds
    QColor shadowColor = Qt::black;
    double shadowOpacity = 0;  // no shadow while 0
    double shadowRadius = 3;
    core::Point shadowOffset{0, -3};

    // gradient layers: colours spread from startPoint to endPoint, both fractions of the
    // bounds (y up).
    std::vector<QColor> colors;
    core::Point startPoint{0.5, 1};
    core::Point endPoint{0.5, 0};

    // shape layers
    LayerPath path;
    QColor fillColor;    // invalid: not filled
    QColor strokeColor;  // invalid: not stroked
    double lineWidth = 1;
    double strokeEnd = 1;  // the fraction of the outline stroked
    bool roundCaps = false;
    bool roundJoins = false;

    // text layers: one line, centred horizontally, at the top of the bounds
    std::string text;
    FontSpec font{12};
    QColor foregroundColor = Qt::white;

    // ---- tracks ----
    // A looping track of a key path ("position", "position.x", "transform.scale",
    // "transform.rotation", "bounds.size", "strokeEnd", "opacity") under the key, replacing
    // one of the same key. False, with nothing added, for keyframes Keyframes refuses or
    // an unknown key path.
    bool addAnimation(const std::string& key, const std::string& keyPath, Keyframes frames);
    // A looping "path" track: timing holds one value per path and gives the key times and
    // pacing; the paths between two keys are interpolated point by point.
    bool addPathAnimation(const std::string& key, std::vector<LayerPath> paths, Keyframes timing);
    void removeAllAnimations();
    std::vector<std::string> animationKeys() const;
    bool hasAnimations() const { return !tracks_.empty() || !pathTracks_.empty(); }

    // What is seen t seconds after the build: the model values with every track applied.
    struct Presentation {
        core::Point position;
        core::Size size;
        double opacity = 1;
        double scale = 1;
        double rotation = 0;
        double strokeEnd = 1;
        LayerPath path;
    };
    Presentation presentation(double t) const;

private:
    struct Track {
        std::string keyPath;
        Keyframes frames;
    };
    struct PathTrack {
        std::vector<LayerPath> paths;
        Keyframes timing;
    };

    Kind kind_;
    Layer* superlayer_ = nullptr;
    std::vector<std::unique_ptr<Layer>> sublayers_;
    std::map<std::string, Track> tracks_;
    std::map<std::string, PathTrack> pathTracks_;
};

}  // namespace ui
