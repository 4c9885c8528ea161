// Stand-in until the shell's click handling is linked: a Return in a dialog closes
// nothing here. Weak, so the shell's own definition wins.
__attribute__((weak)) void MACIBM_handleclick(int) {}
