#include "settings/guide/OnboardingWindow.h"

#include "foundation/AuxWindowActivation.h"
#include "foundation/L10n.h"
#include "platform/defaults/Defaults.h"
#include "platform/ui/LayerView.h"
#include "platform/ui/LiteralText.h"
#include "platform/ui/SystemColors.h"
#include "settings/BoxView.h"
#include "settings/guide/GuideModel.h"
#include "settings/guide/GuideViews.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace {

constexpr double contentWidth = 800;
constexpr double contentHeight = 820;

}  // namespace

OnboardingWindow::OnboardingWindow()
    : ui::Window(frameRectForContentRect({0, 0, contentWidth, contentHeight}, Style::titled), Style::titled)
{
    setObjectName("guide");
    setTitle(L10n::t("欢迎使用 Glimra"));
    buildChrome();
    center();
    index_ = guide::startIndex(defaults::Defaults::standard(), stepCount());
    render();
}

OnboardingWindow::~OnboardingWindow()
{
    // A window destroyed without closing must not leave its poll behind.
    if (permissionTimer_) permissionTimer_->cancel();
}

void OnboardingWindow::buildChrome()
{
    using guide::place;
    using Weight = ui::FontSpec::Weight;
    auto* content = new BoxView(ui::systemColor("windowBackground"));
    setContentView(content);

    headerLabel_ = guide::makeLabel(L10n::t("Glimra 使用引导"), {15, Weight::semibold}, "label", "headerLabel", content);
    place(*headerLabel_, {30, 782, 300, 20}, contentHeight);
    counterLabel_ = guide::makeLabel("", {12, Weight::medium, true}, "secondaryLabel", "counterLabel", content);
    counterLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    place(*counterLabel_, {630, 784, 140, 18}, contentHeight);

    canvas_ = new ui::LayerView(content);
    canvas_->setObjectName("canvas");
    place(*canvas_, {30, 284, 740, 480}, contentHeight);
    ui::Layer& root = canvas_->root();
    root.backgroundColor = ui::systemColor("controlBackground");
    root.cornerRadius = 12;
    root.borderWidth = 1;
    root.borderColor = ui::systemColor("separator");
    root.masksToBounds = true;

    stepTitleLabel_ = guide::makeLabel("", {17, Weight::semibold}, "label", "stepTitleLabel", content);
    place(*stepTitleLabel_, {30, 250, 740, 24}, contentHeight);
    stepDescLabel_ = guide::makeLabel("", {12.5}, "secondaryLabel", "stepDescLabel", content);
    stepDescLabel_->setTextFormat(Qt::RichText);
    stepDescLabel_->setWordWrap(true);
    stepDescLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    stepDescLabel_->setTextInteractionFlags(Qt::NoTextInteraction);

    dotsHost_ = new QWidget(content);
    dotsHost_->setObjectName("dotsHost");
    place(*dotsHost_, {30, 122, 740, 12}, contentHeight);

    prevButton_ = guide::makeButton(
        L10n::t("上一步"), "prevButton", [this] { goPrev(); }, content);
    place(*prevButton_, {570, 60, 90, 30}, contentHeight);
    nextButton_ = guide::makeButton(
        L10n::t("下一步"), "nextButton", [this] { goNext(); }, content);
    nextButton_->setDefault(true);
    place(*nextButton_, {666, 60, 104, 30}, contentHeight);

    dontShowSwitch_ = new QCheckBox(ui::literalText(L10n::t("不再显示引导")), content);
    dontShowSwitch_->setObjectName("dontShowSwitch");
    dontShowSwitch_->setFont(ui::font({12}));
    // A longer translation widens the box rather than losing its end.
    const double switchWidth = std::max(200, dontShowSwitch_->sizeHint().width());
    place(*dontShowSwitch_, {30, 64, switchWidth, 20}, contentHeight);
}

void OnboardingWindow::goPrev()
{
    if (index_ < 1) return;
    --index_;
    render();
}

void OnboardingWindow::goNext()
{
    if (index_ < stepCount() - 1) {
        ++index_;
        render();
        return;
    }
    guide::recordFinish(defaults::Defaults::standard(), dontShowSwitch_->isChecked());
    close();
}

void OnboardingWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        nextButton_->click();
        return;
    }
    ui::Window::keyPressEvent(event);
}

// Every close comes here: the title bar's button, Next on the last step, the runner.
void OnboardingWindow::closeEvent(QCloseEvent* event)
{
    ui::Window::closeEvent(event);
    if (closing_) return;
    closing_ = true;
    guide::recordClose(defaults::Defaults::standard(), dontShowSwitch_->isChecked());
    if (permissionTimer_) permissionTimer_->cancel();
    hide();
    if (currentInstance() == this) currentInstance() = nullptr;
    AuxWindowActivation::refresh();
    // Not now: this may run inside one of the window's own button handlers.
    deleteLater();
}
