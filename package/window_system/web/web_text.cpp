// Web backend: fonts and text, rasterised in the program from TrueType font
// files (stb_truetype), so that a text gives the same pixels in every
// browser and on every machine. The page puts the font files in the
// program's file system before it starts (web_fonts_dir); a missing file is
// reported once, and its text drawn as boxes of the character's height.
//
// Faces: the package's face name is no real face, so proportional text
// takes a face with the metrics of the classic desktop's default face
// (Liberation Sans, bold from weight 600 on), and the console's fixed-pitch
// font Liberation Mono. Glyphs are placed at quarter pixels and kept once
// made: a program redraws the same labels in every frame.
// The rasteriser is compiled in here, its functions private to this file.
#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_STATIC
#include <stb_truetype.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <tuple>
#include <unordered_map>

#include "web_backend.h"

namespace draxo::ws {
namespace web {

// Where the page puts the font files.
constexpr const char* web_fonts_dir = "/draxo-fonts/";

struct face {
    std::vector<unsigned char> data;
    stbtt_fontinfo info{};
    int ascent = 0, descent = 0, line_gap = 0;  // font units; descent is negative
    int units_per_em = 2048;
    int average_width = 0;  // font units
    // Looked up once: a program draws the same labels in every frame.
    int glyph[256];                             // of each Latin-1 character
    int advance[256];                           // font units
    std::unordered_map<unsigned, int> kerning;  // by the two characters
};

namespace {

enum face_kind { SANS, SANS_BOLD, MONO, FACE_KINDS };
constexpr const char* face_files[FACE_KINDS] = {"LiberationSans-Regular.ttf", "LiberationSans-Bold.ttf",
                                                "LiberationMono-Regular.ttf"};
constexpr int default_em = 16;
constexpr int console_em = 13;

std::uint16_t read_u16(const std::vector<unsigned char>& d, std::size_t at) {
    return at + 2 <= d.size() ? static_cast<std::uint16_t>((d[at] << 8) | d[at + 1]) : 0;
}
std::uint32_t read_u32(const std::vector<unsigned char>& d, std::size_t at) {
    return (static_cast<std::uint32_t>(read_u16(d, at)) << 16) | read_u16(d, at + 2);
}

// The average character width the font states in its OS/2 table (0 when it
// has none), as the classic desktop reports it.
int stated_average_width(const std::vector<unsigned char>& d) {
    int tables = read_u16(d, 4);
    for (int i = 0; i < tables; ++i) {
        std::size_t record = 12 + 16 * static_cast<std::size_t>(i);
        if (record + 16 > d.size()) break;
        if (std::memcmp(&d[record], "OS/2", 4) != 0) continue;
        return static_cast<std::int16_t>(read_u16(d, read_u32(d, record + 8) + 2));
    }
    return 0;
}

std::unique_ptr<face> read_face(const char* file) {
    std::string path = std::string(web_fonts_dir) + file;
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) return nullptr;
    auto f = std::make_unique<face>();
    unsigned char block[65536];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, in)) > 0;)
        f->data.insert(f->data.end(), block, block + got);
    std::fclose(in);
    if (f->data.size() < 12 || !stbtt_InitFont(&f->info, f->data.data(), 0)) return nullptr;
    stbtt_GetFontVMetrics(&f->info, &f->ascent, &f->descent, &f->line_gap);
    int head = stbtt__find_table(f->data.data(), 0, "head");
    if (head)
        f->units_per_em = std::max(16, static_cast<int>(read_u16(f->data, static_cast<std::size_t>(head) + 18)));
    f->average_width = stated_average_width(f->data);
    for (int c = 0; c < 256; ++c) {
        int bearing;
        f->glyph[c] = stbtt_FindGlyphIndex(&f->info, c);
        stbtt_GetGlyphHMetrics(&f->info, f->glyph[c], &f->advance[c], &bearing);
    }
    return f;
}

const face* face_of(face_kind kind) {
    static std::unique_ptr<face> faces[FACE_KINDS];
    static bool tried[FACE_KINDS] = {};
    if (!tried[kind]) {
        tried[kind] = true;
        faces[kind] = read_face(face_files[kind]);
        if (!faces[kind])
            std::fprintf(stderr, "DRAXO: the font file %s%s could not be read; its text is drawn as boxes.\n",
                         web_fonts_dir, face_files[kind]);
    }
    return faces[kind].get();
}

face_kind kind_for(int weight, const char* face_name) {
    std::string name = face_name ? face_name : "";
    if (name.find("Mono") != std::string::npos || name.find("Courier") != std::string::npos) return MONO;
    return weight >= 600 ? SANS_BOLD : SANS;
}

// Without a font file: the character height h, a cell of h + h / 2 pixels,
// boxes h / 2 + 1 pixels apart.
int box_advance(int em) { return em / 2 + 1; }

font_record make_font(const face* f, int height) {
    font_record r;
    r.face = f;
    if (!f) {
        int em = height < 0 ? -height : height > 0 ? std::max(1, height * 2 / 3) : default_em;
        r.em = em;
        int cell = em + em / 2, ascent = em + em / 4;
        r.metrics = text_metrics{cell, ascent, cell - ascent, cell - em, 0, box_advance(em)};
        return r;
    }
    if (height < 0)
        r.scale = stbtt_ScaleForMappingEmToPixels(&f->info, static_cast<float>(-height));
    else if (height > 0)
        r.scale = stbtt_ScaleForPixelHeight(&f->info, static_cast<float>(height));
    else
        r.scale = stbtt_ScaleForMappingEmToPixels(&f->info, static_cast<float>(default_em));
    r.em = std::max(1, static_cast<int>(std::lround(f->units_per_em * r.scale)));
    int ascent = static_cast<int>(std::lround(f->ascent * r.scale));
    int descent = static_cast<int>(std::lround(-f->descent * r.scale));
    r.metrics = text_metrics{ascent + descent,
                             ascent,
                             descent,
                             std::max(0, ascent + descent - r.em),
                             std::max(0, static_cast<int>(std::lround(f->line_gap * r.scale))),
                             std::max(1, static_cast<int>(std::lround(f->average_width * r.scale)))};
    return r;
}

// One glyph's coverage at one of four horizontal placements within a pixel.
struct glyph_bitmap {
    int left = 0, top = 0;  // from the pen's pixel on the baseline
    int width = 0, height = 0;
    std::vector<unsigned char> coverage;
};

constexpr int placements = 4;
constexpr std::size_t glyph_cache_limit = 8192;

const glyph_bitmap& glyph_of(const font_record& f, int glyph, int placement) {
    using key = std::tuple<const face*, float, int, int>;
    static std::map<key, glyph_bitmap> made;
    key k{f.face, f.scale, glyph, placement};
    auto found = made.find(k);
    if (found != made.end()) return found->second;
    if (made.size() >= glyph_cache_limit) made.clear();
    glyph_bitmap g;
    float shift = static_cast<float>(placement) / placements;
    int x0, y0, x1, y1;
    stbtt_GetGlyphBitmapBoxSubpixel(&f.face->info, glyph, f.scale, f.scale, shift, 0, &x0, &y0, &x1, &y1);
    g.left = x0;
    g.top = y0;
    g.width = std::max(0, x1 - x0);
    g.height = std::max(0, y1 - y0);
    g.coverage.assign(static_cast<std::size_t>(g.width) * static_cast<std::size_t>(g.height), 0);
    if (g.width > 0 && g.height > 0)
        stbtt_MakeGlyphBitmapSubpixel(&f.face->info, g.coverage.data(), g.width, g.height, g.width, f.scale,
                                      f.scale, shift, 0, glyph);
    return made.emplace(k, std::move(g)).first->second;
}

// Lays a line out: calls place(glyph, pen) for each character, the pen in
// pixels from the line's start; returns the line's width.
int kerning_of(const face& f, unsigned char left, unsigned char right) {
    auto& known = const_cast<face&>(f).kerning;
    unsigned pair = (static_cast<unsigned>(left) << 8) | right;
    auto found = known.find(pair);
    if (found != known.end()) return found->second;
    int value = stbtt_GetGlyphKernAdvance(&f.info, f.glyph[left], f.glyph[right]);
    known.emplace(pair, value);
    return value;
}

template <typename Place>
double lay_out(const font_record& f, const char* text, int length, Place place) {
    double pen = 0;
    for (int i = 0; i < length; ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (i > 0) pen += kerning_of(*f.face, static_cast<unsigned char>(text[i - 1]), c) * f.scale;
        place(f.face->glyph[c], pen);
        pen += f.face->advance[c] * f.scale;
    }
    return pen;
}

int width_of(const font_record& f, const char* text, int length) {
    if (length <= 0) return 0;
    if (!f.face) return length * box_advance(f.em);
    return static_cast<int>(std::lround(lay_out(f, text, length, [](int, double) {})));
}

std::uint32_t blend(std::uint32_t under, std::uint32_t over, unsigned coverage) {
    if (coverage >= 255) return over;
    std::uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        unsigned a = (over >> shift) & 0xFFu, b = (under >> shift) & 0xFFu;
        out |= ((a * coverage + b * (255 - coverage) + 127) / 255) << shift;
    }
    return out;
}

void fill(pixels& px, long long left, long long top, long long right, long long bottom, std::uint32_t value) {
    for (long long row = std::max(0LL, top); row < std::min<long long>(bottom, px.height); ++row)
        for (long long col = std::max(0LL, left); col < std::min<long long>(right, px.width); ++col)
            px.bits[row * px.stride + col] = value;
}

void draw_glyph(pixels& px, const glyph_bitmap& g, long long left, long long top, std::uint32_t color) {
    for (int gy = 0; gy < g.height; ++gy) {
        long long row = top + gy;
        if (row < 0 || row >= px.height) continue;
        for (int gx = 0; gx < g.width; ++gx) {
            long long col = left + gx;
            unsigned coverage = g.coverage[static_cast<std::size_t>(gy) * g.width + gx];
            if (coverage == 0 || col < 0 || col >= px.width) continue;
            std::uint32_t& p = px.bits[row * px.stride + col];
            p = blend(p, color, coverage);
        }
    }
}

struct platform_fonts {
    std::map<font_request, font_record> made;
    font_record stock_fixed;
    font_record system;
    bool stock_made = false, system_made = false;
};

platform_fonts& fonts() {
    static auto* state = new platform_fonts;
    return *state;
}

}  // namespace
}  // namespace web

namespace backend {

font create_font(int height, int weight, const char* face_name) {
    auto& made = web::fonts().made;
    font_request request{height, weight, face_name ? face_name : ""};
    auto found = made.find(request);
    if (found == made.end()) {
        if (made.size() >= 512) made.clear();
        found =
            made.emplace(request, web::make_font(web::face_of(web::kind_for(weight, face_name)), height)).first;
    }
    return new font_record(found->second);
}

void delete_font(font f) {
    if (!f->kept) delete f;
}

font stock_fixed_font() {
    web::platform_fonts& p = web::fonts();
    if (!p.stock_made) {
        p.stock_fixed = web::make_font(web::face_of(web::MONO), -web::console_em);
        p.stock_fixed.kept = true;
        p.stock_made = true;
    }
    return &p.stock_fixed;
}

font system_font() {
    web::platform_fonts& p = web::fonts();
    if (!p.system_made) {
        p.system = web::make_font(web::face_of(web::SANS_BOLD), -web::default_em);
        p.system.kept = true;
        p.system_made = true;
    }
    return &p.system;
}

text_metrics font_metrics(font f) { return f->metrics; }

extent text_extent(font f, const char* text, int length) {
    return extent{web::width_of(*f, text, length), f->metrics.height};
}

void draw_text(image target, font f, int x, int y, const char* text, int length, colorref color, bool opaque,
               colorref background) {
    pixels px = backend::image_pixels(target);
    const text_metrics& m = f->metrics;
    if (opaque)
        web::fill(px, x, y, static_cast<long long>(x) + web::width_of(*f, text, length),
                  static_cast<long long>(y) + m.height, pixel_of(background));
    std::uint32_t pen_color = pixel_of(color);
    long long baseline = static_cast<long long>(y) + m.ascent;
    if (!f->face) {
        int advance = web::box_advance(f->em);
        for (int i = 0; i < length; ++i) {
            if (text[i] == ' ') continue;
            long long left = static_cast<long long>(x) + static_cast<long long>(i) * advance;
            web::fill(px, left + 1, baseline - f->em, left + advance - 1, baseline, pen_color);
        }
        return;
    }
    web::lay_out(*f, text, length, [&](int glyph, double pen) {
        double at = pen * web::placements;
        long long quarters = static_cast<long long>(std::floor(at));
        long long whole = quarters / web::placements;
        int placement = static_cast<int>(quarters - whole * web::placements);
        const web::glyph_bitmap& g = web::glyph_of(*f, glyph, placement);
        web::draw_glyph(px, g, x + whole + g.left, baseline + g.top, pen_color);
    });
}

}  // namespace backend
}  // namespace draxo::ws
