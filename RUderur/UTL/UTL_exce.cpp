#include "UTL_exce.h"
#include "UTL_alert.h"
#include "UTL_log.h"
#include "THREAD_service.h"

exce_class::exce_class() : file("no exception"), line(0), severity(t_exit) {}

exce_class::exce_class(std::string m1, std::string m2, std::string m3, std::string m4,
                       const char* f, int l, int s)
	: msg1(std::move(m1)), msg2(std::move(m2)), msg3(std::move(m3)), msg4(std::move(m4)),
	  file(f), line(l), severity(s) {}

exce_class::exce_class(const exce_class& o) = default;

exce_class& exce_class::operator=(const exce_class& o)
{
	line = o.line;
	file = o.file;
	severity = o.severity;
	msg1 = o.msg1; msg2 = o.msg2; msg3 = o.msg3; msg4 = o.msg4;
	return *this;
}

exce_class::~exce_class() {}

void exce_class::MakeFatal() { severity = t_exit; }

void exce_class::LogAndContinue()
{
	xer << "Logging " << (severity != 0 ? "fatal" : "non-fatal")
	    << " Exception thrown from file: " << file << ", line " << line << ".\n"
	    << msg1 << "\n" << msg2 << "\n" << msg3 << "\n" << msg4 << "\n";
	xer.flush();
}

void exce_class::Report()
{
	if (!THREAD_is_inited() || THREAD_is_main_thread()) {
		__MACIBM_alert(0, msg1, msg2, msg3, msg4, severity, file, line);
		return;
	}
	// Off the main thread: log and stop the run; never shut the thread
	// service down from here, that would join the calling thread itself.
	xer << "EXCEPTION REPORTED FROM THREAD!!  File: " << file << ", line " << line << ".\n"
	    << msg1 << "\n" << msg2 << "\n" << msg3 << "\n" << msg4 << "\n";
	xer.flush();
	app_done = 1;
}
