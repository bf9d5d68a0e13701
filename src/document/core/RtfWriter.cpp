// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/core/RtfWriter.h"

#include <QColor>
#include <QHash>
#include <QTextDocument>
#include <QVector>
#include <algorithm>
#include <cstring>
#include <vector>

#include "Version.h"
#include "common/core/Windows1252.h"
#include "document/core/FormattedText.h"
#include "document/core/RtfReader.h"
#include "document/core/TextBuffer.h"
#include "document/core/TextFormats.h"

namespace {

constexpr int kMaxTwips = 31680;
constexpr int kLineLength = 200;  // wrap long text lines after a space beyond this

// What one run looks like, reduced to what RTF carries.
struct RunStyle {
    int font = 0;
    int halfPoints = 24;
    int underline = QTextCharFormat::NoUnderline;
    int vertical = QTextCharFormat::AlignNormal;
    int foreground = 0;  // colour table index; 0 is "automatic"
    int background = 0;
    bool bold = false;
    bool italic = false;
    bool strike = false;
};

const char* underlineWord(int style) {
    switch (style) {
        case QTextCharFormat::NoUnderline:
            return "\\ulnone";
        case QTextCharFormat::DashUnderline:
            return "\\uldash";
        case QTextCharFormat::DotLine:
            return "\\uld";
        case QTextCharFormat::DashDotLine:
            return "\\uldashd";
        case QTextCharFormat::DashDotDotLine:
            return "\\uldashdd";
        case QTextCharFormat::WaveUnderline:
        case QTextCharFormat::SpellCheckUnderline:
            return "\\ulwave";
        default:
            return "\\ul";
    }
}

class Writer {
  public:
    // The text in its formats, runs without a family or size of their own in `base`.
    QByteArray run(const TextBuffer& text, const TextFormats& formats, const QFont& base) {
        text_ = &text;
        formats_ = &formats;
        base_ = base;
        collectTables();
        out_.reserve(text.length() * 11 / 10 + 1024);
        writeHeader();
        for (qsizetype line = 0; line < text.lineCount(); ++line) writeLine(line);
        out_ += "}\r\n";
        return out_;
    }

    // The text as a document would hold it after setPlainText with `font` as its default
    // font, in one pass over the text: every paragraph has the default paragraph format and
    // one run in the default character format. The paragraphs are split where QTextDocument
    // splits them: at CR LF, CR, LF, U+2029 and the frame markers.
    QByteArray runPlain(QStringView text, const QFont& font) {
        fontIndex(font.family());  // \deff0
        const RunStyle style = styleOf(font);
        // Room for all of it at once: a paragraph takes 11 bytes more than its text ("\pard",
        // "\par", CR LF), and growing a buffer of hundreds of megabytes step by step would copy
        // it over and over.
        const qsizetype breaks = std::count_if(
            text.begin(), text.end(), [](QChar c) { return isParagraphBreak(c.unicode()); });
        out_.reserve(text.size() + breaks * 11 + 1024);
        writeHeader();
        const char16_t* s = reinterpret_cast<const char16_t*>(text.data());
        const qsizetype n = text.size();
        qsizetype start = 0;
        for (qsizetype i = 0;; ++i) {
            const bool end = i == n;
            if (!end && !isParagraphBreak(s[i])) continue;
            word("\\pard");
            applyStyle(style);
            writeText(text.sliced(start, i - start), /*wrap=*/true);
            endParagraph();
            if (end) break;
            if (s[i] == '\r' && i + 1 < n && s[i + 1] == '\n') ++i;
            // Empty lines in a row, all written alike once the style is out: in one piece.
            qsizetype empty = 0;
            while (i + 1 + empty < n && s[i + 1 + empty] == '\n') ++empty;
            if (empty > 0) {
                static constexpr char kEmpty[] = "\\pard\\par\r\n";
                constexpr qsizetype kSize = sizeof kEmpty - 1;
                const qsizetype at = out_.size();
                out_.resize(at + empty * kSize);
                for (char* to = out_.data() + at; to < out_.data() + out_.size(); to += kSize)
                    std::memcpy(to, kEmpty, kSize);
                lineStart_ = out_.size();
                i += empty;
            }
            start = i + 1;
        }
        out_ += "}\r\n";
        return out_;
    }

  private:
    static bool isParagraphBreak(char16_t c) {
        return c == '\n' || c == '\r' || c == QChar::ParagraphSeparator || c == 0xFDD0 ||
               c == 0xFDD1;
    }

    void writeHeader() {
        out_ += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\r\n";
        writeFontTable();
        writeColorTable();
        delimit_ = false;
        out_ += "{\\*\\generator Quillo Meridian " QUILLO_VERSION_STRING ";}\r\n";
        lineStart_ = out_.size();
    }

    // --- tables -------------------------------------------------------------------------------

    int fontIndex(const QString& family) {
        auto it = fontIndex_.constFind(family);
        if (it != fontIndex_.constEnd()) return it.value();
        const int index = int(fonts_.size());
        fonts_.append(family);
        fontIndex_.insert(family, index);
        return index;
    }

    int colorIndex(const QBrush& brush) {
        if (brush.style() == Qt::NoBrush) return 0;
        const QRgb rgb = brush.color().rgb() & 0xFFFFFF;
        auto it = colorIndex_.constFind(rgb);
        if (it != colorIndex_.constEnd()) return it.value();
        colors_.append(rgb);
        const int index = int(colors_.size());  // entry 0 is "automatic"
        colorIndex_.insert(rgb, index);
        return index;
    }

    // A run in `font` with no underline style, alignment or colours of its own.
    RunStyle styleOf(const QFont& font) {
        RunStyle s;
        s.font = fontIndex(font.family());
        qreal points = font.pointSizeF();
        if (points <= 0 && font.pixelSize() > 0) points = font.pixelSize() * 72.0 / 96.0;
        if (points <= 0) points = 12;
        s.halfPoints = std::clamp(qRound(points * 2), 2, 3276);
        s.bold = font.bold();
        s.italic = font.italic();
        s.strike = font.strikeOut();
        s.underline =
            font.underline() ? QTextCharFormat::SingleUnderline : QTextCharFormat::NoUnderline;
        return s;
    }

    RunStyle styleOf(const QTextCharFormat& format) {
        // A run shows its own font properties and the base font's where it has none.
        RunStyle s = styleOf(format.font().resolve(base_));
        if (format.hasProperty(QTextFormat::TextUnderlineStyle))
            s.underline = format.underlineStyle();
        const auto vertical = format.verticalAlignment();
        if (vertical == QTextCharFormat::AlignSubScript ||
            vertical == QTextCharFormat::AlignSuperScript) {
            s.vertical = vertical;
        }
        s.foreground = colorIndex(format.foreground());
        s.background = colorIndex(format.background());
        return s;
    }

    // The style of character format `id`, worked out once: the first time numbers its font and
    // colours, so the tables list them in the order the text first uses them.
    const RunStyle& style(int id) {
        Style& entry = styles_[size_t(id)];
        if (!entry.known) {
            const QTextCharFormat& format = formats_->charFormat(id);
            entry.run = styleOf(format);
            entry.object = format.objectType() != QTextFormat::NoObject;
            entry.known = true;
        }
        return entry.run;
    }

    // Numbers every font and colour in use before the body refers to them: for each paragraph
    // its mark's, then its runs'.
    void collectTables() {
        fontIndex(base_.family());  // \deff0
        styles_.assign(size_t(formats_->charFormatCount()), Style());
        for (qsizetype line = 0; line < text_->lineCount(); ++line) {
            const qsizetype end = text_->lineEnd(line);
            style(formats_->markFormatOf(line, end));
            formats_->forEachRun(text_->lineStart(line), end,
                                 [this](const TextFormats::Run& run) { style(run.format); });
        }
    }

    void writeFontTable() {
        out_ += "{\\fonttbl";
        for (int i = 0; i < fonts_.size(); ++i) {
            out_ += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset0 ";
            QString name = fonts_[i];
            name.remove(QLatin1Char(';'));
            writeText(name, /*wrap=*/false);
            out_ += ";}";
        }
        out_ += "}\r\n";
    }

    void writeColorTable() {
        if (colors_.isEmpty()) return;
        out_ += "{\\colortbl;";
        for (QRgb rgb : std::as_const(colors_)) {
            out_ += "\\red" + QByteArray::number(qRed(rgb)) + "\\green" +
                    QByteArray::number(qGreen(rgb)) + "\\blue" + QByteArray::number(qBlue(rgb)) +
                    ';';
        }
        out_ += "}\r\n";
    }

    // --- body ---------------------------------------------------------------------------------

    void word(const char* w) {
        out_ += w;
        delimit_ = true;
    }
    void word(const char* w, int value) {
        out_ += w;
        out_ += QByteArray::number(value);
        delimit_ = true;
    }

    void writeLine(qsizetype line) {
        const QTextBlockFormat& f = formats_->blockFormat(formats_->blockFormatOf(line));
        word("\\pard");
        const Qt::Alignment align = f.alignment() & Qt::AlignHorizontal_Mask;
        if (align & Qt::AlignHCenter) {
            word("\\qc");
        } else if (align & Qt::AlignRight) {
            word("\\qr");
        } else if (align & Qt::AlignJustify) {
            word("\\qj");
        }
        const auto twips = [](qreal units, int low) {
            return std::clamp(qRound(units * RtfReader::kTwipsPerUnit), low, kMaxTwips);
        };
        if (int v = twips(f.leftMargin(), 0)) word("\\li", v);
        if (int v = twips(f.rightMargin(), 0)) word("\\ri", v);
        if (int v = twips(f.textIndent(), -kMaxTwips)) word("\\fi", v);
        if (int v = twips(f.topMargin(), 0)) word("\\sb", v);
        if (int v = twips(f.bottomMargin(), 0)) word("\\sa", v);

        const qsizetype start = text_->lineStart(line);
        const qsizetype end = text_->lineEnd(line);
        bool empty = true;
        formats_->forEachRun(start, end, [&](const TextFormats::Run& run) {
            const RunStyle& s = style(run.format);
            // Objects such as images have no RTF form here; they are left out.
            if (styles_[size_t(run.format)].object) return;
            applyStyle(s);
            writeText(run.start, run.end);
            empty = false;
        });
        // An empty paragraph's height comes from its paragraph mark's format.
        if (empty) applyStyle(style(formats_->markFormatOf(line, end)));
        endParagraph();
    }

    // The buffer's characters from `from` to `to`, read in pieces: as they are stored while they
    // are Latin-1, else copied a piece at a time.
    void writeText(qsizetype from, qsizetype to) {
        constexpr qsizetype kPiece = 1 << 16;
        while (from < to) {
            const QByteArrayView bytes = text_->latin1Run(from, to - from);
            if (!bytes.isEmpty()) {
                writeText(reinterpret_cast<const uchar*>(bytes.data()), bytes.size(), true);
                from += bytes.size();
            } else {
                const QString piece = text_->mid(from, std::min(kPiece, to - from));
                writeText(QStringView(piece), /*wrap=*/true);
                from += piece.size();
            }
        }
    }

    void endParagraph() {
        out_ += "\\par\r\n";
        delimit_ = false;
        lineStart_ = out_.size();
    }

    void applyStyle(const RunStyle& s) {
        const bool all = !written_;
        if (all || s.font != current_.font) word("\\f", s.font);
        if (all || s.halfPoints != current_.halfPoints) word("\\fs", s.halfPoints);
        if (all || s.bold != current_.bold) word(s.bold ? "\\b" : "\\b0");
        if (all || s.italic != current_.italic) word(s.italic ? "\\i" : "\\i0");
        if (all || s.underline != current_.underline) word(underlineWord(s.underline));
        if (all || s.strike != current_.strike) word(s.strike ? "\\strike" : "\\strike0");
        if (all || s.vertical != current_.vertical) {
            word(s.vertical == QTextCharFormat::AlignSubScript     ? "\\sub"
                 : s.vertical == QTextCharFormat::AlignSuperScript ? "\\super"
                                                                   : "\\nosupersub");
        }
        if (all || s.foreground != current_.foreground) word("\\cf", s.foreground);
        if (all || s.background != current_.background) {
            word("\\chcbpat", s.background);
            word("\\highlight", s.background);
        }
        current_ = s;
        written_ = true;
    }

    static bool isLiteral(char16_t c) {
        return c >= 0x20 && c < 0x7F && c != '\\' && c != '{' && c != '}';
    }

    // Writes the characters from `from` on that stand for themselves, in one piece, up to the
    // first that does not or a line end after a space past kLineLength (readers ignore line
    // ends in RTF text); returns where it stopped.
    template <typename Char>
    qsizetype writeLiterals(const Char* s, qsizetype from, qsizetype n, bool wrap) {
        if (delimit_) {
            out_ += ' ';
            delimit_ = false;
        }
        const qsizetype base = out_.size() - from;  // where s[i] goes: base + i
        qsizetype end = from;
        bool lineEnd = false;
        while (end < n && isLiteral(s[end])) {
            ++end;
            if (wrap && s[end - 1] == ' ' && base + end - lineStart_ > kLineLength) {
                lineEnd = true;
                break;
            }
        }
        const qsizetype start = out_.size();
        out_.resize(base + end);
        char* to = out_.data() + start;
        for (qsizetype i = from; i < end; ++i) *to++ = char(s[i]);
        if (lineEnd) {
            out_ += "\r\n";
            lineStart_ = out_.size();
        }
        return end;
    }

    void writeText(QStringView text, bool wrap) {
        writeText(reinterpret_cast<const char16_t*>(text.data()), text.size(), wrap);
    }

    // Characters in UTF-16, or Latin-1 bytes (uchar).
    template <typename Char>
    void writeText(const Char* s, qsizetype n, bool wrap) {
        for (qsizetype i = 0; i < n; ++i) {
            if (isLiteral(s[i])) {
                i = writeLiterals(s, i, n, wrap) - 1;
                continue;
            }
            const char16_t ch = s[i];
            if (ch == '\\' || ch == '{' || ch == '}') {
                out_ += '\\';
                out_ += char(ch);
                delimit_ = false;
                continue;
            }
            switch (ch) {
                case '\t':
                    word("\\tab");
                    continue;
                case QChar::LineSeparator:
                case QChar::ParagraphSeparator:
                    word("\\line");
                    continue;
                case QChar::Nbsp:
                    out_ += "\\~";
                    delimit_ = false;
                    continue;
                case 0x00AD:
                    out_ += "\\-";
                    delimit_ = false;
                    continue;
                case 0x2011:
                    out_ += "\\_";
                    delimit_ = false;
                    continue;
                case 0x7F:
                    out_ += "\\'7f";
                    delimit_ = false;
                    continue;
                case 0xFDD0:  // frame markers
                case 0xFDD1:
                    continue;
                default:
                    break;
            }
            if (ch < 0x20) continue;
            word("\\u", ch > 0x7FFF ? int(ch) - 0x10000 : int(ch));
            const int fallback = QChar::isSurrogate(ch) ? -1 : Windows1252::fromUnicode(ch);
            if (fallback >= 0x80) {
                static const char hex[] = "0123456789abcdef";
                out_ += "\\'";
                out_ += hex[fallback >> 4];
                out_ += hex[fallback & 15];
                delimit_ = false;
            } else {
                out_ += '?';
                delimit_ = false;
            }
        }
    }

    struct Style {
        RunStyle run;
        bool object = false;  // an object such as an image, left out
        bool known = false;
    };

    const TextBuffer* text_ = nullptr;
    const TextFormats* formats_ = nullptr;
    QFont base_;
    std::vector<Style> styles_;  // by character format id
    QByteArray out_;
    qsizetype lineStart_ = 0;
    bool delimit_ = false;  // a control word was written last and needs a space before text
    QVector<QString> fonts_;
    QHash<QString, int> fontIndex_;
    QVector<QRgb> colors_;
    QHash<QRgb, int> colorIndex_;
    RunStyle current_;
    bool written_ = false;
};

}  // namespace

namespace RtfWriter {

QByteArray write(const QTextDocument* document) {
    if (!document) return QByteArray();
    FormattedText model = FormattedText::fromDocument(*document);
    TextBuffer text;
    text.setText(std::move(model.text));
    return write(text, model.formats, document->defaultFont());
}

QByteArray write(const TextBuffer& text, const TextFormats& formats, const QFont& base) {
    if (!FormattedText::fits(text, formats)) {
        // Formats out of step with the text would be read past their end: the text is what
        // must not be lost.
        TextFormats plain;
        plain.reset(text.length(), text.lineCount());
        return Writer().run(text, plain, base);
    }
    return Writer().run(text, formats, base);
}

QByteArray writePlain(QStringView text, const QFont& font) {
    return Writer().runPlain(text, font);
}

}  // namespace RtfWriter
