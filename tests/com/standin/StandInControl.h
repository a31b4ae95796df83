#pragma once

#include <windows.h>

#include <oaidl.h>

namespace nakilon::standin {

// A new instance of the stand-in component with one reference. Every instance
// has its own link; in the seeded mode all of them reach the one terminal of
// the process, as two controls of one program reach the same terminal on the
// network. Fails when a test asked for it (FailNextHosting), when out of
// memory, or when the mode variable holds an unknown mode.
HRESULT createControl(IDispatch** control);

// Live instances and class-factory locks, for DllCanUnloadNow.
LONG liveObjects();
void objectCreated();
void objectReleased();

} // namespace nakilon::standin
