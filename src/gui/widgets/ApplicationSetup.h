#pragma once

class QApplication;
class QIcon;

namespace nakilon {

// Makes the toolkit speak to the operator as the program does: Qt's own texts
// in Turkish (the buttons of the message boxes, the file dialog, the context
// menus of the editors), Turkish month and day names in the calendars, the
// program's icon on every window, and a keyboard focus that can be seen.
// Called once, after the application object is made and before any window;
// the program and the window tests both go through it. False when Qt's
// Turkish translation was not found: the toolkit's texts then stay English.
bool setUpApplication(QApplication& application);

// The program's icon in every size it is drawn at.
QIcon programIcon();

} // namespace nakilon
