// The program's texts that are used by name: the messages of the message
// boxes, the status line's texts and the open-file dialog's title and
// filters.  They are defined in res/strings.cpp beside the menus and the
// string table (res/layout.h), in UTF-8; blanks and line breaks are part of
// each text.  A name that ends in Format is a printf format, with the
// arguments given beside it.
#pragma once

// --- The main window (app/mainDialog.cpp) ------------------------------------

extern const char noDeviceText[]; // the box of a start without a sound device

// --- The data-file option (app/dataFile.cpp) --------------------------------

extern const char dataCountMissingText[];  // no data count typed
extern const char dataCountInvalidText[];  // the data count is no integer
extern const char dataCountTooSmallText[]; // the data count is below the least
extern const char dataCountTooLargeText[]; // the data count is above the most
extern const char dataPathMissingText[];   // no file name typed
extern const char dataFileMissingText[];   // the file to read cannot be opened
extern const char dataFileUnusableText[];  // the file to write cannot be opened
// The file holds another number of lines than the count; %d: its lines.
extern const char dataCountMismatchFormat[];
// A line is no sample value; %d: its number (from 1), %s: its text.
extern const char dataBadLineFormat[];
extern const char dataNoMemoryText[];    // no memory for the samples
extern const char dataWriteFailedText[]; // writing the file failed at Stop
extern const char dataFileDialogTitle[]; // the caption of the open-file dialog
// The open-file dialog's filters: caption and pattern pairs, each text ended
// by a NUL, the list by a further NUL (OpenFileRequest::filter).
extern const char dataFileFilters[];

// --- Playback (app/playback.cpp) --------------------------------------------

extern const char statusStoppedText[];     // the status line while stopped
extern const char statusCountdownFormat[]; // the status line counting down; %d: seconds left
extern const char statusPlayingFormat[];   // the status line while playing; %0.1f: the time in seconds
extern const char formulaEmptyText[];      // Play with an empty formula box
extern const char formulaInvalidText[];    // Play with a formula that does not compile
extern const char soundDeviceFailedText[]; // the sound device refuses to open at Play
extern const char soundDeviceLostText[];   // the sound device is lost while playing

// --- The waveform builder (ui/waveformBuilder.cpp) ----------------------------

extern const char builderBadComponentText[];     // a ticked row's amplitude or frequency is 0 or missing
extern const char builderFrequencyTooHighText[]; // a ticked row's frequency is above the most
extern const char builderNothingSelectedText[];  // no row is ticked
extern const char builderTotalTooLargeText[];    // the amplitudes add up to more than 100 %
extern const char builderFormulaTooLongText[];   // the formula would pass 255 characters
