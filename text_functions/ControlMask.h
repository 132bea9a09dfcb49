// One masking rule for every text that comes from a file, a peer or the network and goes to a
// terminal, a log or a picture: the bytes a terminal would act on (C0 controls, DEL and the C1
// range) are shown as "?", so that a data file cannot change a title, clear a screen or move
// the cursor. Line feeds and tabs are the caller's choice (see MaskControls).
#pragma once

#include <string>
#include <string_view>

inline constexpr char kControlMaskHeaderRevision[] =
    "%Z% TextFunctions QX3102:07 ControlMask.h $Revision: 1.2 $";

// True for C0 controls, DEL and the C1 range; single-byte text, so 0x80-0x9F are controls.
bool IsTerminalControl(unsigned char c);

// True when the text holds a byte for which IsTerminalControl is true.
bool HoldsTerminalControl(std::string_view text);

enum class LineBreaks { Mask, Keep, Join };

// The text with every terminal control replaced by "?". With LineBreaks::Keep a line feed stays
// and a carriage return goes; with LineBreaks::Join the lines become one, each run of line feeds
// and carriage returns inside the text a " / " and those at its ends dropped (one log line for
// a report of several). Tabs always become a space.
std::string MaskControls(std::string_view text, LineBreaks lineBreaks = LineBreaks::Mask);

// MaskControls (LineBreaks::Mask) into a buffer of `size` bytes, cut to size-1 characters and
// always terminated; null or size below 1 writes nothing. Returns the buffer.
char* MaskControlsBounded(char* buffer, const char* text, int size);
