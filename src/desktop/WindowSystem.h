#pragma once

// What the window system lets the program do beyond drawing its windows.

// Whether the program may move the mouse pointer. Wayland compositors keep it to themselves
// (Qt would only warn on the terminal).
bool CanMovePointer();
