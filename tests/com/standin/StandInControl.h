#pragma once

#include <windows.h>

#include <oaidl.h>

namespace nakilon::standin {

// A new instance of the stand-in component (one reference), or null when out
// of memory. Every instance has its own link; all of them reach the one
// terminal of the process, as two controls of one program reach the same
// terminal on the network.
IDispatch* createControl();

// Live instances and class-factory locks, for DllCanUnloadNow.
LONG liveObjects();
void objectCreated();
void objectReleased();

} // namespace nakilon::standin
