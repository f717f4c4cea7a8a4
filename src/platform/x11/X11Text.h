#pragma once

#include <string>

namespace x11 {

// The text as valid UTF-8: each ill-formed sequence (overlong, a surrogate, past U+10FFFF,
// of five or six bytes, cut off) becomes U+FFFD. *wasValid tells whether it already was.
std::string repairedUtf8(const std::string& bytes, bool* wasValid = nullptr);

// A COMPOUND_TEXT property (what Xlib clients such as xterm set as WM_NAME) as UTF-8:
// the ISO 8859 right halves, JIS X 0201, JIS X 0208 and 0212, GB 2312, KS C 5601, UTF-8
// and the extended segments of the common multi-byte sets are read. Each character of any
// other set, and each broken one, becomes U+FFFD, and *lossless turns false. The result is
// always valid UTF-8.
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
