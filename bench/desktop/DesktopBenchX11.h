#pragma once

// What the desktop benchmark's programs share: MIT-SHM segments the server reads and
// writes, and the signals the script steers them with.
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/signalfd.h>
#include <time.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <memory>

namespace desktopbench {

// A reply or error of xcb's, freed with it.
template <typename Reply>
using Owned = std::unique_ptr<Reply, decltype(&std::free)>;

// A shared-memory segment attached on both sides; it is marked for removal at once, so
// it goes with the process however that ends.
struct SharedImage {
    xcb_shm_seg_t segment = 0;
    std::uint8_t* memory = nullptr;
};

inline SharedImage attachSharedImage(xcb_connection_t* c, std::size_t bytes)
{
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0) return {};
    void* memory = shmat(id, nullptr, 0);
    SharedImage image;
    image.segment = xcb_generate_id(c);
    const auto cookie = xcb_shm_attach_checked(c, image.segment, static_cast<std::uint32_t>(id), 0);
    const Owned<xcb_generic_error_t> error(xcb_request_check(c, cookie), &std::free);
    shmctl(id, IPC_RMID, nullptr);
    if (memory == reinterpret_cast<void*>(-1) || error) return {};
    image.memory = static_cast<std::uint8_t*>(memory);
    return image;
}

// SIGUSR1 asks for the counts so far, SIGTERM and SIGINT end the program; all of them
// arrive through the returned descriptor, read beside the X connection.
inline int steeringSignals()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int number : {SIGUSR1, SIGTERM, SIGINT}) sigaddset(&set, number);
    sigprocmask(SIG_BLOCK, &set, nullptr);
    return signalfd(-1, &set, SFD_CLOEXEC);
}

inline int takeSignal(int descriptor)
{
    signalfd_siginfo info{};
    return read(descriptor, &info, sizeof info) == sizeof info ? static_cast<int>(info.ssi_signo) : 0;
}

// Seconds on the clock: CLOCK_MONOTONIC to pace, CLOCK_REALTIME to compare with others.
inline double clockSeconds(clockid_t clock = CLOCK_MONOTONIC)
{
    timespec time{};
    clock_gettime(clock, &time);
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_nsec) / 1e9;
}

inline std::uint8_t extensionEvents(xcb_connection_t* c, xcb_extension_t* extension)
{
    const xcb_query_extension_reply_t* data = xcb_get_extension_data(c, extension);
    return data && data->present ? data->first_event : 0;
}

}  // namespace desktopbench
