// Qt backend: fonts and text, drawn into the images' pixels.
#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <QScreen>
#include <QTextLayout>
#include <algorithm>

#include "qt_backend.h"

namespace draxo::ws {
namespace qt {
namespace {

// The family that a face name maps to: the face itself when the system has
// it. Otherwise a proportional face with the metrics of the classic desktop's
// default face, when one is installed, so that texts take the room that
// programs' layouts were made for (a label fits its button); failing that,
// the application's default family.
QString family_for(const char* face) {
    QString name = QString::fromLatin1(face ? face : "");
    if (!name.isEmpty() && QFontDatabase::hasFamily(name)) return name;
    for (const char* familiar : {"Liberation Sans", "Arimo"})
        if (QFontDatabase::hasFamily(QLatin1String(familiar))) return QLatin1String(familiar);
    return QApplication::font().family();
}

// The desktop's default character size in pixels, as on a screen of 96 dpi:
// text drawn into a frame buffer is the same on every screen (a desktop at
// 144 dpi, whose factor stays 1, would otherwise make it larger).
int default_pixel_size() {
    const QFont desktop = QApplication::font();
    if (desktop.pixelSize() > 0) return desktop.pixelSize();
    return std::max(1, qRound(desktop.pointSizeF() * 96.0 / 72.0));
}

// Pixels of a screen that make one pixel at 96 dpi: the scale factor times
// the density Qt leaves to fonts (a desktop at 144 dpi keeps the factor 1
// and gives fonts 144 dpi).
qreal screen_density() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->devicePixelRatio() * screen->logicalDotsPerInchY() / 96.0 : 1.0;
}

font_record make_font(QFont qfont) {
    font_record f;
    f.font = qfont;
    f.id = ++platform().fonts_matched;
    QFontMetrics metrics(qfont);
    f.ascent = metrics.ascent();
    f.descent = metrics.descent();
    int em = qfont.pixelSize() > 0 ? qfont.pixelSize() : QFontInfo(qfont).pixelSize();
    f.internal_leading = std::max(0, f.ascent + f.descent - em);
    f.external_leading = std::max(0, metrics.leading());
    f.average_width = metrics.averageCharWidth();
    return f;
}

font_record match_font(int height, int weight, const char* face) {
    QFont qfont(family_for(face));
    // Text in the frame buffer looks the same on every screen and desktop:
    // hinted lightly (vertically) and smoothed in grey, whatever the
    // desktop's own font settings. Qt would otherwise leave glyphs unhinted
    // on a dense screen, and a desktop's setting could colour their edges,
    // so that a saved picture depended on the screen it was drawn on.
    qfont.setStyleStrategy(QFont::StyleStrategy(QFont::PreferDefault | QFont::NoSubpixelAntialias));
    qfont.setHintingPreference(QFont::PreferVerticalHinting);
    if (weight > 0) qfont.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 1, 1000)));
    if (height < 0) {
        qfont.setPixelSize(-height);  // character height, internal leading not counted
    } else if (height > 0) {
        // A cell height: scale the em size so that ascent plus descent fits.
        QFont probe(qfont);
        probe.setPixelSize(100);
        QFontMetrics metrics(probe);
        int cell = std::max(1, metrics.ascent() + metrics.descent());
        qfont.setPixelSize(std::max(1, height * 100 / cell));
    } else {
        qfont.setPixelSize(default_pixel_size());
    }
    return make_font(qfont);
}

// Matching a request against the font database costs about a tenth of a
// millisecond, far more than drawing a line of text, and every text command
// asks for its font anew. So the fonts made are kept by request, and each
// request gets its own copy (a QFont copy shares its data).
constexpr std::size_t font_cache_limit = 512;  // far more requests than the package makes

// Control characters (a tab, a carriage return, a newline inside a console
// line) are drawn as the font's glyph for them, or its missing-glyph box,
// never laid out as white space or tab stops: a line holding one goes
// through its characters one by one.
bool is_control(char32_t u) { return u < 0x20 || (u >= 0x7F && u < 0xA0); }

bool has_control_character(const QString& line) {
    for (QChar c : line)
        if (is_control(c.unicode())) return true;
    return false;
}

// A character the face lacks as Qt's layout draws it: from the fallback font
// that has it.
placed_glyphs fallback_glyphs(const QFont& font, const QString& character) {
    QTextLayout layout(character, font);
    layout.beginLayout();
    QTextLine laid = layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = laid.isValid() ? layout.glyphRuns() : QList<QGlyphRun>{};
    if (runs.isEmpty()) return {};
    return placed_glyphs{runs.first().rawFont(), runs.first().glyphIndexes(), {}};
}

// The line glyph by glyph: each character the face's glyph for it, side by
// side by their advances, no shaping; a character the face lacks (a control
// character aside) from a fallback font. Neighbours in the same font share a
// run. The positions start from the baseline's start.
QList<placed_glyphs> glyphs_of(const QFont& font, const QString& line, qreal& width) {
    const QRawFont face = QRawFont::fromFont(font);
    QList<placed_glyphs> runs;
    width = 0;
    for (int at = 0; at < line.size();) {
        const char32_t u = line.at(at).isHighSurrogate() && at + 1 < line.size()
                               ? QChar::surrogateToUcs4(line.at(at), line.at(at + 1))
                               : line.at(at).unicode();
        const int length = u > 0xFFFF ? 2 : 1;
        const QString character = line.mid(at, length);
        at += length;
        placed_glyphs glyphs;
        if (is_control(u) || face.supportsCharacter(u)) glyphs = {face, face.glyphIndexesForString(character), {}};
        if (glyphs.indexes.isEmpty()) glyphs = fallback_glyphs(font, character);
        if (glyphs.indexes.isEmpty()) glyphs = {face, face.glyphIndexesForString(character), {}};
        if (runs.isEmpty() || runs.last().font != glyphs.font) runs.append(placed_glyphs{glyphs.font, {}, {}});
        placed_glyphs& run = runs.last();
        const QList<QPointF> advances = glyphs.font.advancesForGlyphIndexes(glyphs.indexes);
        for (int i = 0; i < glyphs.indexes.size(); ++i) {
            run.indexes.append(glyphs.indexes[i]);
            run.positions.append(QPointF(width, 0));
            width += advances[i].x();
        }
    }
    return runs;
}

}  // namespace

QFont legible(QFont font) {
    if (QFontInfo(font).pixelSize() < legible_pixel_size) font.setPixelSize(legible_pixel_size);
    return font;
}

int line_width(const QFont& font, const QString& line) {
    if (line.isEmpty()) return 0;
    if (has_control_character(line)) {
        qreal width = 0;
        glyphs_of(font, line, width);
        return qRound(width);
    }
    return QFontMetrics(font).horizontalAdvance(line);
}

QList<placed_glyphs> line_glyphs(const QFont& font, const QString& line) {
    QList<placed_glyphs> out;
    if (has_control_character(line)) {
        qreal width = 0;
        return glyphs_of(font, line, width);
    }
    // The layout QPainter::drawText makes, from the top of the line.
    QTextLayout layout(line, font);
    layout.beginLayout();
    QTextLine laid = layout.createLine();
    layout.endLayout();
    if (!laid.isValid()) return out;
    for (const QGlyphRun& run : layout.glyphRuns()) {
        placed_glyphs placed{run.rawFont(), run.glyphIndexes(), run.positions()};
        for (QPointF& at : placed.positions) at.ry() -= laid.ascent();
        out.append(placed);
    }
    return out;
}

void draw_line(QPainter& painter, const font_record& f, int x, int y, const QString& line) {
    if (!has_control_character(line)) {
        painter.drawText(QPointF(x, y + f.ascent), line);
        return;
    }
    qreal width = 0;
    for (const placed_glyphs& glyphs : glyphs_of(f.font, line, width)) {
        QGlyphRun run;
        run.setRawFont(glyphs.font);
        run.setGlyphIndexes(glyphs.indexes);
        run.setPositions(glyphs.positions);
        painter.drawGlyphRun(QPointF(x, y + f.ascent), run);
    }
}

}  // namespace qt

namespace backend {

font create_font(int height, int weight, const char* face) {
    auto& made = qt::platform().fonts;
    font_request request{height, weight, face ? face : ""};
    auto found = made.find(request);
    if (found == made.end()) {
        if (made.size() >= qt::font_cache_limit) made.clear();
        found = made.emplace(std::move(request), qt::match_font(height, weight, face)).first;
    }
    return new font_record(found->second);
}

void delete_font(font f) { delete f; }

font stock_fixed_font() {
    qt::platform_state& p = qt::platform();
    if (!p.stock_fixed) {
        QFont qfont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        // 13 pixels at 96 dpi, in proportion on a denser screen.
        qfont.setPixelSize(std::max(13, qRound(13 * qt::screen_density())));
        p.stock_fixed = new font_record(qt::make_font(qfont));
    }
    return p.stock_fixed;
}

font system_font() {
    qt::platform_state& p = qt::platform();
    if (!p.system) {
        QFont qfont = QApplication::font();
        qfont.setPixelSize(qt::default_pixel_size());
        qfont.setBold(true);
        p.system = new font_record(qt::make_font(qfont));
    }
    return p.system;
}

text_metrics font_metrics(font f) {
    return text_metrics{f->ascent + f->descent, f->ascent,           f->descent,
                        f->internal_leading,    f->external_leading, f->average_width};
}

extent text_extent(font f, const char* text, int length) {
    int width = length > 0 ? qt::cached_width(*f, text, length) : 0;
    return extent{width, f->ascent + f->descent};
}

void draw_text(image target, font f, int x, int y, const char* text, int length, colorref color, bool opaque,
               colorref background) {
    if (!opaque && qt::draw_cached_line(target->image, *f, x, y, text, length, pixel_of(color))) return;
    QString line = QString::fromUtf8(text, length);
    QPainter painter(&target->image);
    painter.setFont(f->font);
    if (opaque)
        painter.fillRect(x, y, qt::line_width(f->font, line), f->ascent + f->descent,
                         QColor::fromRgb(pixel_of(background)));
    painter.setPen(QColor::fromRgb(pixel_of(color)));
    qt::draw_line(painter, *f, x, y, line);
}

}  // namespace backend
}  // namespace draxo::ws
