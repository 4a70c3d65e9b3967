// Names and JPEG files of the pictures a user pastes into a conversation.
#pragma once

#include <windows.h>
#include <rpc.h>

#include <cstdint>
#include <string>

// A new picture name: local month and day, then a new UuidCreate identifier
// ("%02d%02d%08lX%04X%04x%02X%02X%02X%02X%02X%02X"). 0 when no unique
// identifier could be made (a failing UuidCreate or the nil identifier).
int MakeImageFileName(std::wstring& name);
// The name of the identifier on the given day (the formatting alone).
std::wstring FormatImageFileName(int month, int day, const UUID& id);

// The class id of the GDI+ encoder for a MIME type ("image/jpeg").
bool GetEncoderClsid(const wchar_t* mimeType, CLSID& clsid);

// Saves the bitmap as a JPEG picture (quality 80) named MakeImageFileName +
// ".JPG" in "<program folder><own id>\Image\", creating the folder. Fills
// path and name and returns 1; 0 when saving failed. GDI+ must be running.
int SaveJpegImage(std::wstring& path, std::wstring& name, HBITMAP bitmap);
// The same into the given program folder (ending in a backslash) and own id.
int SaveJpegImage(const std::wstring& programFolder, int32_t ownId, std::wstring& path,
                  std::wstring& name, HBITMAP bitmap);
// The two steps of SaveJpegImage apart, so that a picture can be named before
// it is saved: a new name (MakeImageFileName + ".JPG"; 0 when none could be
// made), and the save under a given name into "<program folder><own id>\Image\"
// (fills path; 0 when saving failed, and then no file is left).
int MakeJpegImageName(std::wstring& name);
int SaveJpegImageAs(const std::wstring& programFolder, int32_t ownId, const std::wstring& name,
                    HBITMAP bitmap, std::wstring& path);
