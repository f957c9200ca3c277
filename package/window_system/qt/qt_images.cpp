// Qt backend: images (RGB32 pixel buffers) and their PNG encoding, fonts and
// text.
#include <QApplication>
#include <QBuffer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImageWriter>
#include <QPainter>
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
    QFontMetrics metrics(f->font);
    int width = length > 0 ? metrics.horizontalAdvance(QString::fromLatin1(text, length)) : 0;
    return extent{width, f->ascent + f->descent};
}

void draw_text(image target, font f, int x, int y, const char* text, int length, colorref color, bool opaque,
               colorref background) {
    QString line = QString::fromLatin1(text, length);
    QPainter painter(&target->image);
    painter.setFont(f->font);
    if (opaque) {
        int width = QFontMetrics(f->font).horizontalAdvance(line);
        painter.fillRect(x, y, width, f->ascent + f->descent, QColor::fromRgb(pixel_of(background)));
    }
    painter.setPen(QColor::fromRgb(pixel_of(color)));
    painter.drawText(QPointF(x, y + f->ascent), line);
}

}  // namespace backend
}  // namespace draxo::ws
