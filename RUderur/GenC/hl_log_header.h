#ifndef HL_LOG_HEADER_H
#define HL_LOG_HEADER_H
// The head of the log: what program wrote it, then the machine it runs on.

// Writes the header and machine diagnostics to xer (opened by the caller) and
// flushes it. case_sensitive: whether the program's volume tells letter case apart.
void MACIBM_log_header(int case_sensitive = 0);

#endif
