#include "scenario/ControlsApplication.h"

#include "foundation/Diag.h"
#include "platform/core/Environment.h"
#include "platform/ui/Switch.h"
#include "platform/ui/Window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>

namespace testsupport {

namespace {

template <class W>
W* place(QWidget* parent, const char* name, QRect geometry)
{
    auto* widget = new W(parent);
    widget->setObjectName(name);
    widget->setGeometry(geometry);
    return widget;
}

class LoggingWindow : public ui::Window {
public:
    LoggingWindow(const core::Rect& content, std::string name)
        : ui::Window(ui::Window::frameRectForContentRect(content, ui::Window::Style::titled), ui::Window::Style::titled),
          name_(std::move(name))
    {
        setTitle("Demo");
    }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        Diag::log(name_ + " closed");
        ui::Window::closeEvent(event);
    }

private:
    std::string name_;
};

}  // namespace

ControlsApplication::ControlsApplication() = default;
ControlsApplication::~ControlsApplication() = default;

void ControlsApplication::launch(const std::vector<std::string>&)
{
    Diag::log("probe " + core::environmentValue("GLIMRA_PROBE").value_or("none"));

    window_ = std::make_unique<LoggingWindow>(core::Rect(200, 300, 320, 200), "demo");
    window_->setObjectName("demo");
    auto* content = new QWidget;
    window_->setContentView(content);
    auto* area = new QScrollArea(content);
    area->setGeometry(0, 0, 320, 200);
    area->setFrameShape(QFrame::NoFrame);
    auto* document = new QWidget;
    document->resize(300, 800);
    area->setWidget(document);

    auto* toggle = place<ui::Switch>(document, "launchSwitch", {10, 10, 40, 26});
    QObject::connect(toggle, &ui::Switch::clicked,
                     [toggle] { Diag::log(std::string("launch ") + (toggle->isChecked() ? "on" : "off")); });
    auto* slider = place<QSlider>(document, "opacitySlider", {10, 50, 200, 20});
    slider->setOrientation(Qt::Horizontal);
    slider->setRange(200, 1000);
    slider->setValue(1000);
    QObject::connect(slider, &QSlider::valueChanged, [](int value) { Diag::log("opacity " + std::to_string(value)); });
    auto* popup = place<QComboBox>(document, "languagePopup", {10, 90, 160, 26});
    popup->addItems({"English", "简体中文"});
    QObject::connect(popup, &QComboBox::activated, [](int index) { Diag::log("language " + std::to_string(index)); });
    auto* check = place<QPushButton>(document, "checkButton", {10, 700, 120, 30});
    check->setText("Check");
    QObject::connect(check, &QPushButton::clicked, [] { Diag::log("checked"); });
    auto* off = place<QPushButton>(document, "offButton", {10, 130, 120, 30});
    off->setText("Off");
    off->setEnabled(false);
    QObject::connect(off, &QPushButton::clicked, [] { Diag::log("off clicked"); });
    auto* agree = place<QCheckBox>(document, "agreeBox", {10, 170, 200, 20});
    agree->setText("Agree");
    QObject::connect(agree, &QCheckBox::clicked,
                     [agree] { Diag::log(std::string("agree ") + (agree->isChecked() ? "on" : "off")); });
    window_->orderFront();

    other_ = std::make_unique<LoggingWindow>(core::Rect(700, 300, 200, 100), "other");
    other_->orderFront();
}

}  // namespace testsupport
