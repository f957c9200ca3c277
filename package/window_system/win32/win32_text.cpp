// Win32 backend: fonts and text through GDI, drawn into the images' DIB
// sections through their memory contexts (win32_images.cpp). GDI leaves the
// fourth byte of the pixels it paints 0.
#include <algorithm>
#include <cstring>

#include "win32_backend.h"

namespace draxo::ws {
namespace win32 {

font_selection::font_selection(HDC dc, HFONT& selected, const font_record& f) : dc_(dc) {
    if (f.owns_handle) {
        previous_ = SelectObject(dc, f.handle);
    } else if (selected != f.handle) {
        SelectObject(dc, f.handle);
        selected = f.handle;
    }
}

font_selection::~font_selection() {
    if (previous_) SelectObject(dc_, previous_);
}

namespace {

text_metrics metrics_of(HFONT handle) {
    HDC dc = platform().measure_dc;
    HGDIOBJ previous = SelectObject(dc, handle);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, previous);
    return text_metrics{tm.tmHeight,          tm.tmAscent,          tm.tmDescent,
                        tm.tmInternalLeading, tm.tmExternalLeading, tm.tmAveCharWidth};
}

font_record stock_font(int which) {
    auto handle = static_cast<HFONT>(GetStockObject(which));
    return font_record{handle, false, metrics_of(handle)};
}

// A stock font as large as the screen's density asks: the stock font itself
// at 96 dpi, else the same face that many times larger.
font_record stock_font_at_density(int which) {
    const int scale = platform().scale;
    if (scale == 1) return stock_font(which);
    LOGFONTW request{};
    GetObjectW(GetStockObject(which), sizeof request, &request);
    request.lfHeight *= scale;
    request.lfWidth *= scale;
    HFONT handle = CreateFontIndirectW(&request);
    if (!handle) return stock_font(which);
    return font_record{handle, false, metrics_of(handle)};
}

// The request as the system takes it: the character set, precisions,
// quality, pitch and family are the defaults, so the system's font mapping
// picks the face for a face name it does not have.
HFONT make_font(int height, int weight, const char* face) {
    std::size_t length = face ? std::min<std::size_t>(std::strlen(face), LF_FACESIZE - 1) : 0;
    std::wstring name = widen(face, static_cast<int>(length));
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, name.c_str());
}

// Every text command asks for its font anew, and mapping a request to a
// face is the costly part of making a font; so the fonts made are kept by
// request. Past the limit, fonts are made for their command alone.
constexpr std::size_t font_cache_limit = 512;  // far more requests than the package makes

// The width of each run of a line (the line's own font selected in `dc`,
// and selected again afterwards); their sum is the line's width.
std::vector<int> run_widths(HDC dc, HFONT own, const std::wstring& text, const std::vector<text_run>& runs) {
    std::vector<int> widths;
    for (const text_run& run : runs) {
        SelectObject(dc, run.font ? run.font : own);
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str() + run.start, static_cast<int>(run.length), &size);
        widths.push_back(size.cx);
    }
    SelectObject(dc, own);
    return widths;
}

// A line with characters from fallback fonts: run after run on one
// baseline, the background of the whole line's cell painted first.
void draw_runs(HDC dc, const font_record& f, int x, int y, const std::wstring& text,
               const std::vector<text_run>& runs, bool opaque) {
    const std::vector<int> widths = run_widths(dc, f.handle, text, runs);
    int right = x;
    for (int width : widths) right += width;
    if (opaque) {
        const RECT cell{x, y, right, y + f.metrics.height};
        ExtTextOutW(dc, x, y, ETO_OPAQUE, &cell, L"", 0, nullptr);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, TA_LEFT | TA_BASELINE | TA_NOUPDATECP);
    int pen = x;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        SelectObject(dc, runs[i].font ? runs[i].font : f.handle);
        TextOutW(dc, pen, y + f.metrics.ascent, text.c_str() + runs[i].start, static_cast<int>(runs[i].length));
        pen += widths[i];
    }
    SelectObject(dc, f.handle);
}

}  // namespace
}  // namespace win32

namespace backend {

font create_font(int height, int weight, const char* face) {
    win32::platform_state& p = win32::platform();
    font_request request{height, weight, face ? face : ""};
    auto found = p.fonts.find(request);
    if (found != p.fonts.end()) return new font_record(found->second);
    HFONT handle = win32::make_font(height, weight, face);
    font_record made{handle, false, win32::metrics_of(handle)};
    if (p.fonts.size() < win32::font_cache_limit) {
        p.fonts.emplace(std::move(request), made);
        return new font_record(made);
    }
    made.owns_handle = true;
    return new font_record(made);
}

void delete_font(font f) {
    if (f->owns_handle) DeleteObject(f->handle);
    delete f;
}

font stock_fixed_font() {
    win32::platform_state& p = win32::platform();
    if (!p.stock_fixed.handle) p.stock_fixed = win32::stock_font_at_density(ANSI_FIXED_FONT);
    return &p.stock_fixed;
}

font system_font() {
    win32::platform_state& p = win32::platform();
    if (!p.system.handle) p.system = win32::stock_font(SYSTEM_FONT);
    return &p.system;
}

text_metrics font_metrics(font f) { return f->metrics; }

extent text_extent(font f, const char* text, int length) {
    win32::platform_state& p = win32::platform();
    win32::font_selection selection(p.measure_dc, p.measure_font, *f);
    std::wstring wide = win32::widen(text, length);
    // The cell height whatever the text, the empty one included.
    const std::vector<win32::text_run> runs = win32::runs_of(p.measure_dc, f->handle, wide);
    if (!win32::in_own_font(runs)) {
        int width = 0;
        for (int run : win32::run_widths(p.measure_dc, f->handle, wide, runs)) width += run;
        return extent{width, f->metrics.height};
    }
    SIZE size{};
    GetTextExtentPoint32W(p.measure_dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    return extent{size.cx, f->metrics.height};
}

void draw_text(image target, font f, int x, int y, const char* text, int length, colorref color, bool opaque,
               colorref background) {
    HDC dc = win32::image_dc(target);
    if (!dc) return;
    std::wstring wide = win32::widen(text, length);
    win32::font_selection selection(dc, target->dc_font, *f);
    SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    SetTextColor(dc, color);
    SetBkColor(dc, background);
    SetBkMode(dc, opaque ? OPAQUE : TRANSPARENT);
    const std::vector<win32::text_run> runs = win32::runs_of(dc, f->handle, wide);
    if (win32::in_own_font(runs))
        TextOutW(dc, x, y, wide.c_str(), static_cast<int>(wide.size()));
    else
        win32::draw_runs(dc, *f, x, y, wide, runs, opaque);
    // The core reads and writes the bits next: GDI's batched work goes first.
    GdiFlush();
}

}  // namespace backend
}  // namespace draxo::ws
