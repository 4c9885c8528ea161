#ifndef UTL_EXCE_H
#define UTL_EXCE_H
// A failure report: carries an alert from a worker thread to the main thread.
#include <string>

class exce_class {
public:
	std::string msg1, msg2, msg3, msg4;
	const char* file;	// not owned: a source-file literal
	int         line;
	int         severity;	// an alert type

	exce_class();
	exce_class(std::string m1, std::string m2, std::string m3, std::string m4,
	           const char* file, int line, int severity);
	exce_class(const exce_class& o);
	exce_class& operator=(const exce_class& o);
	virtual ~exce_class();

	void MakeFatal();
	void LogAndContinue();
	void Report();
};

#endif
