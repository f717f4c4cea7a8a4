#include "platform/ui/UiFont.h"

#include <QGuiApplication>
#include <QScreen>

namespace ui {
namespace {

// The families come with a fresh Debian plus the fonts bootstrap installs; naming them
// keeps the text the same on every run, whatever else is installed. DejaVu Sans draws
// all its figures at one width, so digits line up whether or not a view asks.
const QStringList regularFamilies = {QStringLiteral("DejaVu Sans"), QStringLiteral("WenQuanYi Micro Hei")};
// WenQuanYi has no bold face and Qt only synthesises one at full bold, so heavy CJK text
// takes Noto's bold face instead; its Latin still comes from DejaVu.
const QStringList heavyFamilies = {QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans CJK SC"),
                                   QStringLiteral("WenQuanYi Micro Hei")};

QFont::Weight qtWeight(FontSpec::Weight weight)
{
    switch (weight) {
    case FontSpec::Weight::medium: return QFont::Medium;
    case FontSpec::Weight::semibold: return QFont::DemiBold;
    case FontSpec::Weight::bold: return QFont::Bold;
    case FontSpec::Weight::regular: break;
    }
    return QFont::Normal;
}

// Qt turns points into pixels at the screen's logical DPI; one point of ours is one
// logical pixel, so the size is scaled by 72 / DPI. Pixel sizes would lose fractions.
double pointsPerPixel()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96;
    return dpi > 0 ? 72 / dpi : 0.75;
}

}  // namespace

const QStringList& fontFamilies(FontSpec::Weight weight)
{
    const bool heavy = weight == FontSpec::Weight::semibold || weight == FontSpec::Weight::bold;
    return heavy ? heavyFamilies : regularFamilies;
}

QFont font(const FontSpec& spec)
{
    QFont f;
    f.setFamilies(fontFamilies(spec.weight));
    f.setPointSizeF(spec.points * pointsPerPixel());
    f.setWeight(qtWeight(spec.weight));
    f.setStyleStrategy(QFont::PreferAntialias);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

}  // namespace ui
