// Web backend: fonts and text, rasterised in the program from TrueType font
// files (stb_truetype), so that a text gives the same pixels in every
// browser and on every machine. Text comes as UTF-8. The page puts the main
// font files in the program's file system before it starts (web_fonts_dir);
// a missing file is reported once, and its text drawn as boxes of the
// character's height.
//
// Faces: the package's face name is no real face, so proportional text
// takes a face with the metrics of the classic desktop's default face
// (Liberation Sans, bold from weight 600 on), and the console's fixed-pitch
// font Liberation Mono. They cover Latin, Greek and Cyrillic. A character
// they lack comes from the fallback collection (WenQuanYi Micro Hei: Chinese,
// Japanese kana, Korean, many symbols), which is large and so fetched from
// the page's fonts/ only when the first such character is drawn or measured;
// a character no face has is drawn as the main face's box. Glyphs are placed
// at quarter pixels and kept once made: a program redraws the same labels in
// every frame. The rasteriser is compiled in here, its functions private to
// this file.
#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_STATIC
#include <stb_truetype.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string_view>
#include <tuple>
#include <unordered_map>

#include "text/text_encoding.h"
#include "web_backend.h"

namespace draxo::ws {
namespace web {

// Where the page puts the font files.
constexpr const char* web_fonts_dir = "/draxo-fonts/";

// A character's glyph: its face (the main one or the fallback) and the
// glyph there, 0 being the face's box for characters it lacks.
struct glyph_ref {
    const face* in = nullptr;
    int glyph = 0;
    int advance = 0;  // font units of `in`
};

struct face {
    std::shared_ptr<const std::vector<unsigned char>> data;  // a collection's faces share it
    stbtt_fontinfo info{};
    int ascent = 0, descent = 0, line_gap = 0;  // font units; descent is negative
    int units_per_em = 2048;
    int average_width = 0;  // font units
    // Looked up once: a program draws the same labels in every frame.
    int glyph[256];                                  // of each Latin-1 character
    int advance[256];                                // font units
    std::unordered_map<char32_t, glyph_ref> beyond;  // characters past Latin-1, their face chosen
    std::unordered_map<std::uint32_t, int> kerning;  // by the two glyphs
    int fallback = -1;                               // the face kind of the characters it lacks
};

namespace {

enum face_kind { SANS, SANS_BOLD, MONO, FALLBACK, FALLBACK_MONO, FACE_KINDS };
constexpr const char* face_files[FACE_KINDS] = {"LiberationSans-Regular.ttf", "LiberationSans-Bold.ttf",
                                                "LiberationMono-Regular.ttf", "wqy-microhei.ttc",
                                                "wqy-microhei.ttc"};
// The face's place in its file: the fallback collection holds a
// proportional face and a fixed-pitch one.
constexpr int face_indexes[FACE_KINDS] = {0, 0, 0, 0, 1};
constexpr face_kind fallback_of[FACE_KINDS] = {FALLBACK, FALLBACK, FALLBACK_MONO, FACE_KINDS, FACE_KINDS};
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

// The whole file, or null when it cannot be read.
std::shared_ptr<const std::vector<unsigned char>> read_font_file(const std::string& path) {
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) return nullptr;
    auto data = std::make_shared<std::vector<unsigned char>>();
    unsigned char block[65536];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, in)) > 0;)
        data->insert(data->end(), block, block + got);
    std::fclose(in);
    return data;
}

std::unique_ptr<face> read_face(std::shared_ptr<const std::vector<unsigned char>> data, int index) {
    if (!data || data->size() < 12) return nullptr;
    const int offset = stbtt_GetFontOffsetForIndex(data->data(), index);
    if (offset < 0 || static_cast<std::size_t>(offset) + 12 > data->size()) return nullptr;
    auto f = std::make_unique<face>();
    f->data = std::move(data);
    const std::vector<unsigned char>& d = *f->data;
    if (!stbtt_InitFont(&f->info, d.data(), offset)) return nullptr;
    stbtt_GetFontVMetrics(&f->info, &f->ascent, &f->descent, &f->line_gap);
    int head = stbtt__find_table(const_cast<unsigned char*>(d.data()), static_cast<stbtt_uint32>(offset), "head");
    if (head) f->units_per_em = std::max(16, static_cast<int>(read_u16(d, static_cast<std::size_t>(head) + 18)));
    f->average_width = offset == 0 ? stated_average_width(d) : 0;
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
    if (kind < 0 || kind >= FACE_KINDS) return nullptr;
    if (!tried[kind]) {
        tried[kind] = true;
        const std::string path = std::string(web_fonts_dir) + face_files[kind];
        const bool fallback = kind == FALLBACK || kind == FALLBACK_MONO;
        // The fallback's file is fetched when it is first needed; both of
        // its faces read the one copy.
        static std::shared_ptr<const std::vector<unsigned char>> fallback_file;
        static bool fallback_fetched = false;
        std::shared_ptr<const std::vector<unsigned char>> data;
        if (fallback) {
            if (!fallback_fetched) {
                fallback_fetched = true;
                draxo_web_fetch_font(face_files[kind]);
                fallback_file = read_font_file(path);
                if (!fallback_file)
                    std::fprintf(stderr,
                                 "DRAXO: the font file %s could not be read; characters the Liberation fonts lack "
                                 "are drawn as boxes.\n",
                                 path.c_str());
            }
            data = fallback_file;
        } else {
            data = read_font_file(path);
        }
        faces[kind] = read_face(std::move(data), face_indexes[kind]);
        if (faces[kind]) faces[kind]->fallback = fallback_of[kind];
        if (!faces[kind] && !fallback)
            std::fprintf(stderr, "DRAXO: the font file %s could not be read; its text is drawn as boxes.\n",
                         path.c_str());
    }
    return faces[kind].get();
}

// The face each character of a font's text is drawn from, found once.
glyph_ref glyph_for(const face& main, char32_t c) {
    if (c < 256) return glyph_ref{&main, main.glyph[c], main.advance[c]};
    auto& known = const_cast<face&>(main).beyond;
    auto found = known.find(c);
    if (found != known.end()) return found->second;
    glyph_ref r{&main, stbtt_FindGlyphIndex(&main.info, static_cast<int>(c)), 0};
    if (r.glyph == 0) {
        const face* other = face_of(static_cast<face_kind>(main.fallback));
        int glyph = other ? stbtt_FindGlyphIndex(&other->info, static_cast<int>(c)) : 0;
        if (glyph != 0) r = glyph_ref{other, glyph, 0};
    }
    int bearing;
    stbtt_GetGlyphHMetrics(&r.in->info, r.glyph, &r.advance, &bearing);
    return known.emplace(c, r).first->second;
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

const glyph_bitmap& glyph_of(const face* in, float scale, int glyph, int placement) {
    using key = std::tuple<const face*, float, int, int>;
    static std::map<key, glyph_bitmap> made;
    key k{in, scale, glyph, placement};
    auto found = made.find(k);
    if (found != made.end()) return found->second;
    if (made.size() >= glyph_cache_limit) made.clear();
    glyph_bitmap g;
    float shift = static_cast<float>(placement) / placements;
    int x0, y0, x1, y1;
    stbtt_GetGlyphBitmapBoxSubpixel(&in->info, glyph, scale, scale, shift, 0, &x0, &y0, &x1, &y1);
    g.left = x0;
    g.top = y0;
    g.width = std::max(0, x1 - x0);
    g.height = std::max(0, y1 - y0);
    g.coverage.assign(static_cast<std::size_t>(g.width) * static_cast<std::size_t>(g.height), 0);
    if (g.width > 0 && g.height > 0)
        stbtt_MakeGlyphBitmapSubpixel(&in->info, g.coverage.data(), g.width, g.height, g.width, scale, scale,
                                      shift, 0, glyph);
    return made.emplace(k, std::move(g)).first->second;
}

int kerning_of(const face& f, int left, int right) {
    auto& known = const_cast<face&>(f).kerning;
    const std::uint32_t pair = (static_cast<std::uint32_t>(left) << 16) | static_cast<std::uint16_t>(right);
    auto found = known.find(pair);
    if (found != known.end()) return found->second;
    int value = stbtt_GetGlyphKernAdvance(&f.info, left, right);
    known.emplace(pair, value);
    return value;
}

// Font units of `in` to pixels: the fallback's characters at the same em
// size as the main face's.
float scale_in(const font_record& f, const face& in) {
    return &in == f.face ? f.scale : f.scale * static_cast<float>(f.face->units_per_em) / in.units_per_em;
}

std::string_view line_of(const char* text, int length) {
    return std::string_view(text, static_cast<std::size_t>(length > 0 ? length : 0));
}

// Lays a line of UTF-8 out: calls place(glyph, scale, pen) for each
// character, the pen in pixels from the line's start; returns the line's
// width. Two neighbours of the same face are kerned.
template <typename Place>
double lay_out(const font_record& f, const char* text, int length, Place place) {
    const std::string_view line = line_of(text, length);
    double pen = 0;
    glyph_ref before;
    for (std::size_t at = 0; at < line.size();) {
        char32_t c;
        at = text::next_character(line, at, c);
        const glyph_ref g = glyph_for(*f.face, c);
        const float scale = scale_in(f, *g.in);
        if (before.in == g.in) pen += kerning_of(*g.in, before.glyph, g.glyph) * scale;
        place(g, scale, pen);
        pen += g.advance * scale;
        before = g;
    }
    return pen;
}

int width_of(const font_record& f, const char* text, int length) {
    if (length <= 0) return 0;
    if (!f.face) return static_cast<int>(text::utf8_character_count(line_of(text, length))) * box_advance(f.em);
    return static_cast<int>(std::lround(lay_out(f, text, length, [](const glyph_ref&, float, double) {})));
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
        const std::string_view line = web::line_of(text, length);
        int advance = web::box_advance(f->em);
        long long i = 0;
        for (std::size_t at = 0; at < line.size(); ++i) {
            char32_t c;
            at = text::next_character(line, at, c);
            if (c == ' ') continue;
            long long left = static_cast<long long>(x) + i * advance;
            web::fill(px, left + 1, baseline - f->em, left + advance - 1, baseline, pen_color);
        }
        return;
    }
    web::lay_out(*f, text, length, [&](const web::glyph_ref& glyph, float scale, double pen) {
        double at = pen * web::placements;
        long long quarters = static_cast<long long>(std::floor(at));
        long long whole = quarters / web::placements;
        int placement = static_cast<int>(quarters - whole * web::placements);
        const web::glyph_bitmap& g = web::glyph_of(glyph.in, scale, glyph.glyph, placement);
        web::draw_glyph(px, g, x + whole + g.left, baseline + g.top, pen_color);
    });
}

}  // namespace backend
}  // namespace draxo::ws
