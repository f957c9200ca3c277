// Win32 backend: characters a font lacks, from fallback fonts.
//
// GDI draws a character its font lacks as the font's missing-glyph box,
// unless the system links that face to others (it does for a few faces,
// and not at all for the stock fixed-pitch font). So a line holding such a
// character is drawn in runs: the characters the font has in it, each other
// one in the first face of a list of wide-ranging faces (those of Windows,
// then those a Linux desktop lends Wine) that has it, at the same height
// and weight.
#include <array>
#include <map>
#include <tuple>

#include "win32_backend.h"

namespace draxo::ws::win32 {
namespace {

constexpr std::array<const wchar_t*, 16> fallback_faces = {L"Segoe UI",
                                                           L"Microsoft YaHei",
                                                           L"SimSun",
                                                           L"Meiryo",
                                                           L"MS Gothic",
                                                           L"Malgun Gothic",
                                                           L"Nirmala UI",
                                                           L"Segoe UI Symbol",
                                                           L"Arial",
                                                           L"Arial Unicode MS",
                                                           L"DejaVu Sans",
                                                           L"Noto Sans",
                                                           L"WenQuanYi Micro Hei",
                                                           L"Noto Sans CJK SC",
                                                           L"Droid Sans Fallback",
                                                           L"Noto Sans Symbols"};

// Kept for the process: asking the font mapper is the costly part.
constexpr std::size_t kept_limit = 4096;

struct fallback_state {
    HDC probe = nullptr;  // a context of its own, to ask fonts what they have
    // Every face of the list at a height and weight; null where the system
    // has no such face.
    std::map<std::tuple<LONG, LONG, std::size_t>, HFONT> faces;
    // The fallback of a character at a height and weight (null: none).
    std::map<std::tuple<LONG, LONG, wchar_t>, HFONT> characters;
};

fallback_state& state() {
    static auto* s = new fallback_state;
    if (!s->probe) s->probe = CreateCompatibleDC(nullptr);
    return *s;
}

bool has_character(HDC dc, HFONT font, wchar_t c) {
    HGDIOBJ previous = SelectObject(dc, font);
    WORD index = 0xFFFF;
    const DWORD got = GetGlyphIndicesW(dc, &c, 1, &index, GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(dc, previous);
    return got != GDI_ERROR && index != 0xFFFF;
}

// The face of the list at this height and weight, when the system has it
// (the font mapper gives another face for one it lacks).
HFONT face_font(LONG height, LONG weight, std::size_t which) {
    fallback_state& s = state();
    const auto key = std::make_tuple(height, weight, which);
    auto found = s.faces.find(key);
    if (found != s.faces.end()) return found->second;
    HFONT font =
        CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, fallback_faces[which]);
    if (font) {
        HGDIOBJ previous = SelectObject(s.probe, font);
        wchar_t face[LF_FACESIZE] = {};
        GetTextFaceW(s.probe, LF_FACESIZE, face);
        SelectObject(s.probe, previous);
        if (lstrcmpiW(face, fallback_faces[which]) != 0) {
            DeleteObject(font);
            font = nullptr;
        }
    }
    if (s.faces.size() >= kept_limit) s.faces.clear();  // (the fonts stay: a run may hold one)
    s.faces.emplace(key, font);
    return font;
}

HFONT fallback_for(const LOGFONTW& own, wchar_t c) {
    fallback_state& s = state();
    const auto key = std::make_tuple(own.lfHeight, own.lfWeight, c);
    auto found = s.characters.find(key);
    if (found != s.characters.end()) return found->second;
    HFONT chosen = nullptr;
    for (std::size_t which = 0; which < fallback_faces.size() && !chosen; ++which) {
        HFONT candidate = face_font(own.lfHeight, own.lfWeight, which);
        if (candidate && has_character(s.probe, candidate, c)) chosen = candidate;
    }
    if (s.characters.size() >= kept_limit) s.characters.clear();
    s.characters.emplace(key, chosen);
    return chosen;
}

bool surrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDFFF; }

}  // namespace

std::vector<text_run> runs_of(HDC dc, HFONT own, const std::wstring& text) {
    std::vector<text_run> runs;
    if (text.empty()) return runs;
    std::vector<WORD> indexes(text.size(), 0);
    const DWORD got = GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), indexes.data(),
                                       GGI_MARK_NONEXISTING_GLYPHS);
    LOGFONTW logical{};
    GetObjectW(own, sizeof logical, &logical);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        // A font that cannot say (a raster font) has its 8-bit characters.
        const bool lacking = got == GDI_ERROR ? c > 0xFF : indexes[i] == 0xFFFF;
        // (A character beyond the first 65536 is left to the system.)
        HFONT font = lacking && !surrogate(c) ? fallback_for(logical, c) : nullptr;
        if (runs.empty() || runs.back().font != font) runs.push_back(text_run{font, i, 0});
        ++runs.back().length;
    }
    return runs;
}

bool in_own_font(const std::vector<text_run>& runs) { return runs.size() <= 1 && (runs.empty() || !runs[0].font); }

}  // namespace draxo::ws::win32
