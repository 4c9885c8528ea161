#ifndef PLAT_KEYMAP_H
#define PLAT_KEYMAP_H
// Physical keys: SDL scancodes to the hardware key codes of the keyboard the key tables
// were written for (the ANSI layout's numbering), so those tables apply unchanged.

// The key code for a scancode; a scancode that keyboard has no key for gets 128 + scancode,
// a code no table knows (so the key handler assigns it one at run time).
int PLAT_key_code(int sdl_scancode);

// Modifier, Caps Lock and Num Lock keys: never reported as keys of their own.
int PLAT_key_is_modifier(int sdl_scancode);

#endif
