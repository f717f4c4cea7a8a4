#include "panels/views/TopBarView.h"

#include "foundation/L10n.h"
#include "panels/views/BarButton.h"
#include "panels/rules/OverrideChoices.h"
#include "panels/views/PanelContentView.h"
#include "panels/views/PanelFonts.h"
#include "platform/core/TextFormat.h"
#include "platform/ui/Coordinates.h"
#include "platform/ui/Menu.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace views {

namespace {

const std::vector<double> opacityChoices{0.1, 0.3, 0.5, 0.7, 0.85, 1.0};

QString qt(const std::string& text) { return QString::fromStdString(text); }

void call(const std::function<void()>& f)
{
    if (f) f();
}

long percent(double value) { return std::lround(value * 100); }

}  // namespace

TopBarView::TopBarView(QWidget* parent)
    : QWidget(parent),
      closeButton(new BarButton(BarButton::Glyph::closeCircle, false, this)),
      openButton(new BarButton(BarButton::Glyph::openOriginal, false, this)),
      sizeButton(new BarButton(BarButton::Glyph::size, true, this)),
      rateButton(new BarButton(BarButton::Glyph::none, true, this)),
      opacityButton(new BarButton(BarButton::Glyph::opacity, true, this)),
      titleLabel(new QLabel(this))
{
    closeButton->setAccessibleName(qt(L10n::t("关闭")));
    closeButton->setToolTip(qt(L10n::t("关闭迷你窗")));
    QObject::connect(closeButton, &QAbstractButton::clicked, this, [this] { call(onClose); });
    openButton->setAccessibleName(qt(L10n::t("打开原应用")));
    QObject::connect(openButton, &QAbstractButton::clicked, this, [this] { call(onOpenOriginal); });

    sizeButton->setToolTip(qt(L10n::t("小窗大小（本小窗内临时生效，默认值在设置里）")));
    rateButton->setToolTip(qt(L10n::t("捕获帧率（本小窗内临时生效，默认值在设置里）")));
    opacityButton->setToolTip(qt(L10n::t("画面透明度（本小窗内临时生效，默认值在设置里）")));
    sizeButton->setAccessibleName(qt(L10n::t("小窗大小")));
    opacityButton->setAccessibleName(qt(L10n::t("画面透明度")));
    sizeButton->setText("1.2×");
    rateButton->setText("30 fps");
    opacityButton->setText("100%");
    QObject::connect(sizeButton, &QAbstractButton::clicked, this, [this] { showSizeMenu(); });
    QObject::connect(rateButton, &QAbstractButton::clicked, this, [this] { showRateMenu(); });
    QObject::connect(opacityButton, &QAbstractButton::clicked, this, [this] { showOpacityMenu(); });

    titleLabel->setTextFormat(Qt::PlainText);
    titleLabel->setFont(views::systemFont(11, QFont::Medium));
    titleLabel->setStyleSheet("color: white; background: transparent;");
    titleLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    titleLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    layoutChildren();
}

TopBarView::~TopBarView()
{
    if (!menu_) return;
    // A menu closing with the bar must not call back into it.
    menu_->onClosed = nullptr;
    if (menu_->isOpen()) menuOpen = false;
    menu_.reset();
}

void TopBarView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgbF(0, 0, 0, 0.62));
}

void TopBarView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutChildren();
}

void TopBarView::setNeedsLayout() { layoutChildren(); }

void TopBarView::layoutChildren()
{
    const double h = height();
    const double y = (h - 16) / 2;
    closeButton->setGeometry(ui::roundedRect({6, y, 16, 16}));
    openButton->setGeometry(ui::roundedRect({24, y, 16, 16}));

    double x = 48;
    const auto place = [&](BarButton& badge, double minimum) {
        const double width = std::max(std::ceil(badge.naturalWidth()) + 8, minimum);
        badge.setGeometry(ui::roundedRect({x, y, width, 16}));
        x += width + 3;
    };
    place(*sizeButton, 44);
    place(*rateButton, 38);
    place(*opacityButton, 32);

    const double titleX = x - 3 + 5;
    const double titleWidth = std::max(width() - titleX - 8, 0.0);
    titleLabel->setGeometry(ui::roundedRect({titleX, (h - 14) / 2, titleWidth, 14}));
    titleLabel->setVisible(titleWidth >= 40);
    titleLabel->setText(
        QFontMetricsF(titleLabel->font()).elidedText(qt(title_), Qt::ElideRight, std::max(titleWidth, 0.0)));
}

void TopBarView::refreshTitle()
{
    title_ = baseTitle;
    if (paused) title_ += L10n::t("  〔已暂停〕");
    if (fixedPreview) title_ += L10n::t("  〔固定预览中〕");
    layoutChildren();
}

void TopBarView::setOpacityBadge(double current, double defaultValue)
{
    currentOpacity = current;
    defaultOpacity = defaultValue;
    opacityButton->setText(qt(panels::opacityPercentText(current) + "%"));
    layoutChildren();
}

void TopBarView::setRateBadge(int current, int defaultValue)
{
    currentRate = current;
    defaultRate = defaultValue;
    rateButton->setText(qt(std::to_string(current) + " fps"));
    layoutChildren();
}

void TopBarView::setSizeBadge(double current, double defaultValue)
{
    currentSize = current;
    defaultSize = defaultValue;
    sizeButton->setText(qt(panels::formatMultiplier(current)));
    layoutChildren();
}

void TopBarView::showSizeMenu()
{
    std::vector<MenuRow> rows;
    for (double choice : panels::sizeMultiplierChoices)
        rows.push_back({panels::formatMultiplier(choice), percent(choice), std::abs(choice - currentSize) < 0.005});
    const MenuRow restore{core::formatText(L10n::t("恢复默认（%@）"), {panels::formatMultiplier(defaultSize)}), -1,
                          std::abs(currentSize - defaultSize) < 0.005};
    popUpMenu(
        *sizeButton, rows, restore,
        [this](long tag) {
            if (onSizeChange) onSizeChange(tag < 0 ? -1.0 : tag / 100.0);
        },
        [this] { call(onSetDefaultSize); });
}

void TopBarView::showRateMenu()
{
    std::vector<MenuRow> rows;
    for (int choice : panels::frameRateChoices)
        rows.push_back({std::to_string(choice) + " fps", choice, choice == currentRate});
    const MenuRow restore{core::formatText(L10n::t("恢复默认（%d fps）"), {defaultRate}), 0, currentRate == defaultRate};
    popUpMenu(
        *rateButton, rows, restore,
        [this](long tag) {
            if (onFrameRateChange) onFrameRateChange(static_cast<int>(tag));
        },
        [this] { call(onSetDefaultRate); });
}

void TopBarView::showOpacityMenu()
{
    std::vector<MenuRow> rows;
    for (double choice : opacityChoices)
        rows.push_back({std::to_string(percent(choice)) + "%", percent(choice), std::abs(choice - currentOpacity) < 0.01});
    const MenuRow restore{core::formatText(L10n::t("恢复默认（%d%%）"), {percent(defaultOpacity)}), -1,
                          std::abs(currentOpacity - defaultOpacity) < 0.01};
    popUpMenu(
        *opacityButton, rows, restore,
        [this](long tag) {
            if (onOpacityChange) onOpacityChange(tag < 0 ? -1.0 : tag / 100.0);
        },
        [this] { call(onSetDefaultOpacity); });
}

void TopBarView::popUpMenu(BarButton& badge, const std::vector<MenuRow>& rows, const MenuRow& restoreRow,
                           std::function<void(long)> picked, std::function<void()> setDefault)
{
    if (menu_ && menu_->isOpen()) menu_->cancelTracking();
    menu_ = std::make_unique<ui::Menu>();
    QPointer<TopBarView> self(this);
    // Rows act after the menu closed; the bar may be gone by then.
    const auto addRow = [&](const MenuRow& row) {
        ui::MenuItem item = menu_->addItem(row.title, [self, picked, tag = row.tag] {
            if (self) picked(tag);
        });
        item.setTag(row.tag);
        item.setChecked(row.checked);
    };
    for (const MenuRow& row : rows) addRow(row);
    menu_->addSeparator();
    addRow(restoreRow);
    menu_->addItem(L10n::t("设置当前值为默认"), [self, setDefault] {
        if (self) setDefault();
    });

    menu_->onClosed = [self] {
        menuOpen = false;
        if (self) self->afterMenuClosed();
    };
    menuOpen = true;
    const QRect frame = badge.geometry();
    menu_->popUp({frame.center().x() + 0.5, height() + 4.0}, *this, true);
}

void TopBarView::afterMenuClosed()
{
    auto* content = dynamic_cast<PanelContentView*>(parentWidget());
    if (!content || content->pointerInsidePanel()) return;
    content->showChrome(false);
}

}  // namespace views
