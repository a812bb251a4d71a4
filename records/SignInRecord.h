// Composing a sign-in record from its parts, and writing it so that it is
// never lost, truncated or replaced.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "records/BitmapEx.h"
#include "records/RecordName.h"

// What a record shows, each part with where it lies on the screen: the page as
// last painted, the pad's last frame and the photo (or the placeholder). A
// null bitmap leaves what lies under it.
struct SignInParts {
    HBITMAP hPage;
    RECT rcSignCapture; // the record's own area
    HBITMAP hPad;
    RECT rcPad;
    HBITMAP hPhoto;
    RECT rcPhoto;
};

// The record's picture, composed from the parts the screen shows inside the
// sign area rather than copied from the screen: the pad draws with OpenGL,
// which a screen copy cannot always read. False for an empty area, no page,
// or a canvas that cannot be made.
bool ComposeSignIn(const SignInParts& parts, CBitmapEx& canvas);

// Copies the whole bitmap into a rectangle of the target, averaged where it
// shrinks; nothing for a null bitmap.
void StretchBitmap(HDC hdcTarget, HBITMAP hSource, const RECT& rcTarget);

// Writes the file's bytes into the record folder (made when missing) under
// the first free record name for the time: first into a temporary file,
// flushed to the disk, then renamed, so a crash or power cut never leaves a
// partial file under a record name and an existing record is never replaced.
// The name written, or empty when nothing could be written (read-only folder,
// full disk); nothing else is lost and the next save tries again.
std::wstring WriteSignInRecord(const std::vector<uint8_t>& file, const RecordTime& t);

// A save cut short by a crash or a power cut between writing its temporary
// file and renaming it: a whole one (its header and size check out) takes
// the record name of its last-write time, as the save would have given it;
// one cut short is removed. Each is logged. For the start, before any save.
void RecoverStrandedRecords();

// The local calendar time of a file time, as record names carry it.
RecordTime LocalRecordTime(const FILETIME& ft);
