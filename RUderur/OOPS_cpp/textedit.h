#ifndef TEXTEDIT_H
#define TEXTEDIT_H
// A host-neutral text-editing engine: line layout, selection, caret goal column and the
// mapping of clicks, drags and keys to selection changes and text replacements. Text,
// fonts, drawing and scrolling all belong to the host, reached through sixteen callbacks.
// Positions are byte offsets into the host's text.
#include <vector>

struct OGLE_Rec;

struct OGLE_Callbacks {
	void        (*GetVisibleBounds)(OGLE_Rec*, float bounds[4]);	// left, bottom, right, top
	void        (*GetLogicalBounds)(OGLE_Rec*, float bounds[4]);
	void        (*SetLogicalHeight)(OGLE_Rec*, float height);
	void        (*ScrollTo)(OGLE_Rec*, float offset[2]);
	void        (*GetText)(OGLE_Rec*, const char** begin, const char** end);
	void        (*ReplaceText)(OGLE_Rec*, int start, int end, const char* nbegin, const char* nend);
	float       (*GetLineHeight)(OGLE_Rec*);
	float       (*MeasureString)(OGLE_Rec*, const char* begin, const char* end);
	int         (*FitStringFwd)(OGLE_Rec*, const char* begin, const char* end, float width);
	int         (*FitStringRev)(OGLE_Rec*, const char* begin, const char* end, float width);
	void        (*DrawString)(OGLE_Rec*, const char* begin, const char* end, float x, float y);
	void        (*DrawSelection)(OGLE_Rec*, float box[4]);
	const char* (*WordBreak)(OGLE_Rec*, const char* begin, const char* end);
	const char* (*MBCS_Next)(OGLE_Rec*, const char* p);
	int         (*MBCS_NextPos)(OGLE_Rec*, int pos);
	int         (*MBCS_PrevPos)(OGLE_Rec*, int pos);
};

struct OGLE_Rec {
	OGLE_Callbacks   cb;
	void*            ref;
	std::vector<int> line_starts;
	int              sel_start, sel_end;
	int              end_active;	// 1: sel_end is the caret
	float            goal_x;	// -1: no goal column
};

OGLE_Rec* OGLE_Create(const OGLE_Callbacks* cbs, void* ref);
void      OGLE_Destroy(OGLE_Rec* r);
void*     OGLE_GetRef(OGLE_Rec* r);
void      OGLE_GetSelection(OGLE_Rec* r, int* start, int* end);
void      OGLE_SetSelection(OGLE_Rec* r, int start, int end);
void      OGLE_Repaginate(OGLE_Rec* r);
void      OGLE_ReplaceText(OGLE_Rec* r, int start, int end, const char* nbegin, const char* nend);
void      OGLE_Key(OGLE_Rec* r, char key, int shift);
void      OGLE_Key_MBCS(OGLE_Rec* r, int count, const char* bytes, int shift);
void      OGLE_Click(OGLE_Rec* r, float x, float y, int extend);
void      OGLE_Drag(OGLE_Rec* r, float x, float y);
void      OGLE_Draw(OGLE_Rec* r, int draw_caret);
void      OGLE_RevealSelection(OGLE_Rec* r);

// Internal steps, exposed for the host and its tests.
int       OGLE_CoordToCharPos(OGLE_Rec* r, float x, float y);
int       OGLE_CharPosToLine(OGLE_Rec* r, int pos);
int       OGLE_CharPosVerticalAdjust(OGLE_Rec* r, int pos, int direction);
void      OGLE_NormalizeSelectionInternal(OGLE_Rec* r);
void      OGLE_RepaginateInternal(OGLE_Rec* r, int line, int pos);

// The object form: derive, implement the sixteen operations, and the engine calls them.
class OGLE {
public:
	OGLE();
	virtual ~OGLE();

	virtual void        GetVisibleBounds(float bounds[4]) = 0;
	virtual void        GetLogicalBounds(float bounds[4]) = 0;
	virtual void        SetLogicalHeight(float height) = 0;
	virtual void        ScrollTo(float offset[2]) = 0;
	virtual void        GetText(const char** begin, const char** end) = 0;
	virtual void        ReplaceText(int start, int end, const char* nbegin, const char* nend) = 0;
	virtual float       GetLineHeight() = 0;
	virtual float       MeasureString(const char* begin, const char* end) = 0;
	virtual int         FitStringFwd(const char* begin, const char* end, float width) = 0;
	virtual int         FitStringRev(const char* begin, const char* end, float width) = 0;
	virtual void        DrawString(const char* begin, const char* end, float x, float y) = 0;
	virtual void        DrawSelection(float box[4]) = 0;
	virtual const char* WordBreak(const char* begin, const char* end) = 0;
	virtual const char* MBCS_Next(const char* p) = 0;
	virtual int         MBCS_NextPos(int pos) = 0;
	virtual int         MBCS_PrevPos(int pos) = 0;

	void GetSelection(int* start, int* end) { OGLE_GetSelection(rec, start, end); }
	void SetSelection(int start, int end)   { OGLE_SetSelection(rec, start, end); }
	void Draw(int draw_caret)               { OGLE_Draw(rec, draw_caret); }
	void RevealSelection()                  { OGLE_RevealSelection(rec); }
	void Click(float x, float y, int extend) { OGLE_Click(rec, x, y, extend); }
	void Drag(float x, float y)             { OGLE_Drag(rec, x, y); }
	void Key(char key, int shift)           { OGLE_Key(rec, key, shift); }
	void Key_MBCS(int n, const char* b, int shift) { OGLE_Key_MBCS(rec, n, b, shift); }
	void Repaginate()                       { OGLE_Repaginate(rec); }
	void DoReplaceText(int s, int e, const char* nb, const char* ne) { OGLE_ReplaceText(rec, s, e, nb, ne); }

	// Callback trampolines: forward to the object stored as the engine's ref.
	static void        GetVisibleBoundsCB(OGLE_Rec*, float b[4]);
	static void        GetLogicalBoundsCB(OGLE_Rec*, float b[4]);
	static void        SetLogicalHeightCB(OGLE_Rec*, float h);
	static void        ScrollToCB(OGLE_Rec*, float o[2]);
	static void        GetTextCB(OGLE_Rec*, const char** b, const char** e);
	static void        ReplaceTextCB(OGLE_Rec*, int s, int e, const char* nb, const char* ne);
	static float       GetLineHeightCB(OGLE_Rec*);
	static float       MeasureStringCB(OGLE_Rec*, const char* b, const char* e);
	static int         FitStringFwdCB(OGLE_Rec*, const char* b, const char* e, float w);
	static int         FitStringRevCB(OGLE_Rec*, const char* b, const char* e, float w);
	static void        DrawStringCB(OGLE_Rec*, const char* b, const char* e, float x, float y);
	static void        DrawSelectionCB(OGLE_Rec*, float box[4]);
	static const char* WordBreakCB(OGLE_Rec*, const char* b, const char* e);
	static const char* MBCS_NextCB(OGLE_Rec*, const char* p);
	static int         MBCS_NextPosCB(OGLE_Rec*, int pos);
	static int         MBCS_PrevPosCB(OGLE_Rec*, int pos);

private:
	OGLE_Rec* rec;
	OGLE(const OGLE&) = delete;
	OGLE& operator=(const OGLE&) = delete;
};

#endif
