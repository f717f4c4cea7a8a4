#pragma once

// The crashing thread's frames in a crash report, written from inside the fatal-signal
// handler with nothing but system calls: each frame's module and offset in it, and the
// function's name where the module's symbol table has one.
namespace CrashStack {

// Once, before any crash: the walk's first use loads what it needs, which a failing
// process must not.
void prepare();

// Appends the thread and its frames, innermost first:
//   Crashed thread: <tid> (<name>)
//   Frames:
//   0  <module file name> + 0x<offset>  <symbol> + 0x<offset>
// A frame outside any file shows its address alone. `signalContext` is the handler's
// third argument: the frames above the interrupted one (the handler's) are left out.
void write(int fd, const void* signalContext);

}  // namespace CrashStack
