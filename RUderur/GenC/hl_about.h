#ifndef HL_ABOUT_H
#define HL_ABOUT_H
// The about box, "Version and Updates" (window 993): the product, its credits
// and the update site's current release, with a button that fetches a newer
// installer. Runs its own frame loop until another window is current.
void MACIBM_about();

#endif
