#pragma once

#include "platform/dispatch/Timer.h"
#include "platform/ui/Window.h"
#include "settings/guide/GuideModel.h"
#include "settings/guide/SceneToolkit.h"

#include <nlohmann/json.hpp>

#include <QImage>
#include <QPointer>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
namespace ui {
class Layer;
class LayerView;
}  // namespace ui

// The first-run guide: five looping demonstration scenes and, where the desktop has
// grants, a permission page, with Back and Next, a step counter, page dots and a
// don't-show-again box. At most one exists (instance()); it resumes on the step it last
// showed. Closing is one path, closeEvent, whoever asks; the window is deleted on a later
// main-queue turn. Main thread only.
class OnboardingWindow : public ui::Window {
    Q_OBJECT

public:
    using Screen = guide::Screen;

    struct Step {
        std::string title;  // translated
        std::string desc;   // translated, in the description markup
        std::function<void(ui::Layer&)> build;
        std::function<void(QWidget&)> nsSetup;  // none but on the permission page
    };

    // At launch and from the settings window's replay button: shows the guide unless it
    // was finished and screen recording is allowed; an open guide comes forward as it is.
    static void showIfNeeded();
    // From the status menu's permission command: the guide on its last step, the
    // permission page where the desktop has grants.
    static void showPermissionPage();
    // The open guide, none when there is none.
    static OnboardingWindow* instance();

    OnboardingWindow();
    ~OnboardingWindow() override;

    int index() const { return index_; }
    void render();
    void goPrev();
    void goNext();

    // The permission page.
    void setupPermissionUI(QWidget& canvasView);
    void refreshPermissionStatus();
    void requestScreenPermission();
    void openAXPane();
    bool permissionPollRunning() const;

    // The 38 x 25 picture of the trigger block inside a description.
    static QImage triggerBlockImage();

    // The guide as a state dump lists it (see the scenario reference).
    nlohmann::ordered_json stateJson() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    static QPointer<OnboardingWindow>& currentInstance();
    // The open guide, else a new one; the provider registered with the Dock presence once.
    static OnboardingWindow& existingOrNew();

    const std::vector<Step>& steps();
    int stepCount() { return static_cast<int>(steps().size()); }
    void buildChrome();
    void showDescription(const std::string& desc);
    void layoutDots();
    void tearDownPermissionPage();

    std::vector<Step> steps_;
    QPointer<ui::LayerView> canvas_;
    QPointer<QLabel> headerLabel_;
    QPointer<QLabel> counterLabel_;
    QPointer<QLabel> stepTitleLabel_;
    QPointer<QLabel> stepDescLabel_;
    QPointer<QWidget> dotsHost_;
    QPointer<QPushButton> prevButton_;
    QPointer<QPushButton> nextButton_;
    QPointer<QCheckBox> dontShowSwitch_;
    int index_ = 0;
    QPointer<QWidget> permissionHost_;
    std::optional<dispatch::Timer> permissionTimer_;
    QPointer<QLabel> screenStatusLabel_;
    QPointer<QLabel> axStatusLabel_;
    QPointer<QPushButton> screenButton_;
    QPointer<QPushButton> axButton_;
    std::optional<bool> prevScreenOK_;
    std::optional<bool> prevAXOK_;
    std::vector<guide::DescriptionRun> shownRuns_;
    bool closing_ = false;
};
