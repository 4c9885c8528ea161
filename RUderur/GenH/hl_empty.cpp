// Keeps a subsystem library non-empty until its sources exist.
void hl_empty_placeholder() {}
