// Qt backend: images (RGB32 pixel buffers) and their PNG encoding, fonts and
// text.
#include <QApplication>
#include <QBuffer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QImageWriter>
#include <QPainter>
#include <QRawFont>
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

int default_pixel_size() { return QFontInfo(QApplication::font()).pixelSize(); }

font_record make_font(QFont qfont) {
    font_record f;
    f.font = qfont;
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
    qfont.setStyleStrategy(QFont::PreferDefault);
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
// through the font's glyphs one by one.
bool has_control_character(const char* text, int length) {
    for (int i = 0; i < length; ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || (c >= 0x7F && c < 0xA0)) return true;
    }
    return false;
}

struct glyph_line {
    QRawFont font;
    QVector<quint32> glyphs;
    QVector<QPointF> positions;
    qreal width = 0;
};

glyph_line glyphs_of(const QFont& font, const QString& line) {
    glyph_line out;
    out.font = QRawFont::fromFont(font);
    out.glyphs = out.font.glyphIndexesForString(line);
    QVector<QPointF> advances = out.font.advancesForGlyphIndexes(out.glyphs);
    for (const QPointF& advance : advances) {
        out.positions.append(QPointF(out.width, 0));
        out.width += advance.x();
    }
    return out;
}

}  // namespace
}  // namespace qt

namespace backend {

image create_image(int width, int height) {
    auto* img = new image_record;
    img->image = QImage(width, height, QImage::Format_RGB32);
    img->image.fill(0xFF000000u);
    return img;
}

void delete_image(image img) { delete img; }

pixels image_pixels(image img) {
    if (img->image.isNull()) return {};
    QImage& q = img->image;
    return pixels{reinterpret_cast<std::uint32_t*>(q.bits()), q.width(), q.height(),
                  static_cast<int>(q.bytesPerLine() / 4)};
}

bool encode_png(image img, const rect& area, std::vector<unsigned char>& png) {
    // Three bytes a pixel, so that the writer makes a 24-bit picture.
    QImage part = img->image.copy(QRect(area.left, area.top, area.right - area.left, area.bottom - area.top))
                      .convertToFormat(QImage::Format_RGB888);
    if (part.isNull()) return false;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(part)) return false;
    png.assign(bytes.begin(), bytes.end());
    return true;
}

font create_font(int height, int weight, const char* face) {
    auto& made = qt::platform().fonts;
    qt::font_request request{height, weight, face ? face : ""};
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
        qfont.setPixelSize(13);
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
    int width = 0;
    if (length > 0 && qt::has_control_character(text, length))
        width = qRound(qt::glyphs_of(f->font, QString::fromLatin1(text, length)).width);
    else if (length > 0)
        width = QFontMetrics(f->font).horizontalAdvance(QString::fromLatin1(text, length));
    return extent{width, f->ascent + f->descent};
}

void draw_text(image target, font f, int x, int y, const char* text, int length, colorref color, bool opaque,
               colorref background) {
    QString line = QString::fromLatin1(text, length);
    QPainter painter(&target->image);
    painter.setFont(f->font);
    bool by_glyph = qt::has_control_character(text, length);
    qt::glyph_line glyphs = by_glyph ? qt::glyphs_of(f->font, line) : qt::glyph_line{};
    if (opaque) {
        int width = by_glyph ? qRound(glyphs.width) : QFontMetrics(f->font).horizontalAdvance(line);
        painter.fillRect(x, y, width, f->ascent + f->descent, QColor::fromRgb(pixel_of(background)));
    }
    painter.setPen(QColor::fromRgb(pixel_of(color)));
    if (!by_glyph) {
        painter.drawText(QPointF(x, y + f->ascent), line);
        return;
    }
    QGlyphRun run;
    run.setRawFont(glyphs.font);
    run.setGlyphIndexes(glyphs.glyphs);
    run.setPositions(glyphs.positions);
    painter.drawGlyphRun(QPointF(x, y + f->ascent), run);
}

}  // namespace backend
}  // namespace draxo::ws
