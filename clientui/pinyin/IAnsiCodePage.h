// The ANSI code page as the portable client code sees it: conversion between
// the program's wide text and the 8-bit text of the wire and the local files.
// The system takes the ANSI code page to be 936 (GBK). The Windows build
// converts with the system's ANSI code page, the native build with iconv's
// GBK (CSystemAnsiCodePage), so both builds produce the same bytes.
#pragma once

#include <cstddef>
#include <string>

namespace clientui {

class IAnsiCodePage {
public:
    virtual ~IAnsiCodePage() = default;

    // A character the code page cannot hold becomes "?". An empty result
    // stands for an empty text or a failed conversion.
    virtual std::string ToAnsi(const std::wstring& text) const = 0;
    // An invalid or cut byte sequence becomes "?" and the conversion goes on.
    virtual std::wstring FromAnsi(const char* text, size_t length) const = 0;

    std::wstring FromAnsi(const std::string& text) const { return FromAnsi(text.data(), text.size()); }

    // The longest leading part of text, in whole characters, whose ANSI form
    // has at most maxBytes bytes (for fixed-size 8-bit fields).
    std::string ToAnsiCut(const std::wstring& text, size_t maxBytes) const {
        std::string whole = ToAnsi(text);
        if (whole.size() <= maxBytes) return whole;
        std::string out;
        size_t i = 0;
        while (i < text.size()) {
            size_t units = 1;
            // A UTF-16 surrogate pair is one character.
            if (sizeof(wchar_t) == 2 && i + 1 < text.size() && text[i] >= 0xD800 &&
                text[i] <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                units = 2;
            }
            std::string piece = ToAnsi(text.substr(i, units));
            if (out.size() + piece.size() > maxBytes) break;
            out += piece;
            i += units;
        }
        return out;
    }
};

}  // namespace clientui
