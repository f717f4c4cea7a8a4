#include "settings/GrabbedPressWatch.h"

#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"
#include "settings/RecorderDecision.h"

namespace settings {

GrabbedPressWatch::GrabbedPressWatch(std::function<void(const desktop::Event& press)> onGrabbed)
    : onGrabbed_(std::move(onGrabbed)), input_(desktop::current().input)
{
    monitor_ = desktop::input().addKeyboardMonitor(
        lifetime_.guard([](GrabbedPressWatch& watch, const desktop::Event& press) { watch.notePress(press); }));
}

GrabbedPressWatch::~GrabbedPressWatch()
{
    if (const auto input = input_.lock(); input && monitor_) input->removeMonitor(*monitor_);
}

void GrabbedPressWatch::notePress(const desktop::Event& press)
{
    if (waiting_ || !recorder::holdsHotkeyModifier(press.modifierFlags)) return;
    waiting_ = true;
    dispatch::main().asyncAfter(recorder::grabbedPressSeconds, lifetime_.guard([press](GrabbedPressWatch& watch) {
        // Once more round the main queue: a key-down the window system handed over
        // meanwhile, behind a busy main thread, is delivered first.
        dispatch::main().async(watch.lifetime_.guard([press](GrabbedPressWatch& late) {
            // The owner may end the watch from here.
            const auto onGrabbed = late.onGrabbed_;
            onGrabbed(press);
        }));
    }));
}

}  // namespace settings
