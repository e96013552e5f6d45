#pragma once
// The message the hook library posts to the program's main window for every
// wheel notch, wherever the pointer is: WM_APP + 101. The hook library, the
// program, the benchmark's programs and the tests take it from here; the
// shell scenarios by name through the probe (tests/probe/probe.cpp), where
// they need the number itself as 0x8065.
//   wParam  high word: the wheel delta, signed 16 bits (120 a notch, negative
//           towards the user); low word: 0, and the program ignores it
//   lParam  0
// A constant and nothing else: the hook library, built without a run-time
// library, includes it.
#include <cstdint>

constexpr uint32_t WM_HOOKWHEEL = 0x8065;
