#pragma once

#include <string>

namespace x11 {

// The text as valid UTF-8; invalid sequences become U+FFFD. *wasValid tells whether it
// already was.
std::string repairedUtf8(const std::string& bytes, bool* wasValid = nullptr);

// A COMPOUND_TEXT property (what Xlib clients such as xterm set as WM_NAME) as UTF-8:
// ISO 8859-1 and UTF-8 segments are read; characters of any other character set become
// U+FFFD and *lossless turns false.
std::string compoundTextToUtf8(const std::string& bytes, bool* lossless = nullptr);

// UTF-8 text as the ICCCM wants a TEXT property such as WM_NAME: a STRING in Latin-1 when
// every character is in it, else COMPOUND_TEXT whose other characters stand in UTF-8
// segments.
struct IcccmText {
    bool compound = false;
    std::string bytes;
};
IcccmText icccmText(const std::string& utf8);

}  // namespace x11
