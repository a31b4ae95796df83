#pragma once

namespace nakilon {

// Drives the program's own windows from a script, as an operator would, for
// the end-to-end tests that run the real program (under Wine as well, where
// no test framework can reach into it). It starts only when the environment
// variable NAKILON_TEST_DRIVER names a script; otherwise it does nothing.
//
// One step a line (UTF-8; empty lines and lines starting with # are skipped):
//   click WINDOW/NAME     presses the button NAME of the window WINDOW
//   select WINDOW/GRID ROW  makes ROW (from 0) the current row of a grid
//   answer [TEXT]         presses TEXT (or the default button) of the
//                         message box that is open
//   close WINDOW          closes the window, as its title bar's button does
// WINDOW is a window's object name (TAnaForm, TPersonelForm, ...). A step
// waits until the operator could take it: its control is there and enabled,
// its window is open and not behind a modal one, and the command that the
// previous step started has finished or is waiting for an answer in a window
// of its own. Every message box answered is written to SCRIPT.log ("kutu:
// title | text"), with each step taken. A step that cannot be taken within two
// minutes is written there and ends the program with exit code 3.
//
// Returns whether a script was started.
bool startScriptDriverFromEnvironment();

} // namespace nakilon
