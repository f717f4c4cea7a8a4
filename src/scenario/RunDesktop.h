#pragma once

#include "scenario/ScenarioFile.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace desktop {
struct Desktop;
}
namespace sim {
class SimWorld;
}

namespace scenario {

class AlertJournal;
class OutputFolder;

// The simulated desktop a run plays on, for as long as it lives: the file's system
// settings and world, its journal going to the attached output folder, its services and
// the alert journal installed. A scheduler must be installed first and stay until after
// it is gone; the application must be gone before it goes. Going, it removes all of it
// again and detaches the output folder, before the world it journals goes.
class RunDesktop {
public:
    RunDesktop(const Scenario& scenario, OutputFolder& output);
    ~RunDesktop();
    RunDesktop(const RunDesktop&) = delete;
    RunDesktop& operator=(const RunDesktop&) = delete;

    sim::SimWorld& world() { return *world_; }
    desktop::Desktop& services() { return *desktop_; }

private:
    OutputFolder& output_;
    std::shared_ptr<sim::SimWorld> world_;
    std::shared_ptr<desktop::Desktop> desktop_;
    std::shared_ptr<AlertJournal> alerts_;
};

// The simulated desktop's own implementation of one of its services.
template <class Service, class Interface>
Service& simulated(const std::shared_ptr<Interface>& service)
{
    auto* concrete = dynamic_cast<Service*>(service.get());
    if (!concrete) {
        std::fprintf(stderr, "scenario: the simulated desktop lacks a service\n");
        std::abort();
    }
    return *concrete;
}

}  // namespace scenario
