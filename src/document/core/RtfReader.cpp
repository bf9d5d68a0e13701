// SPDX-License-Identifier: GPL-3.0-or-later
// The RTF reader. Kept in one file, longer than most: the parser is one state machine (group
// stack, destinations, character and paragraph state, the run being built) that every keyword
// reads and changes, and the keyword table is only meaningful next to it.
#include "document/core/RtfReader.h"

#include <QColor>
#include <QHash>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QVector>
#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "document/core/CodePageDecoder.h"
#include "document/core/FormattedText.h"
#include "document/core/TextBuffer.h"

namespace {

// Where the text of the current group goes.
enum class Dest : quint8 {
    Text,        // body text
    FontTable,   // \fonttbl entries
    ColorTable,  // \colortbl entries
    Skip,        // a destination whose content is not shown
    UprAnsi,     // the ANSI half of \upr; its \ud half is read
};

// clang-format off
enum class Kw : quint8 {
    Unknown,
    // destinations
    SkipDest, FontTable, ColorTable, Upr, Ud, Bin,
    // document
    Ansi, Mac, Pc, Pca, AnsiCpg, Deff, Uc, U,
    // font and colour tables
    F, FCharset, Cpg, Red, Green, Blue,
    // character properties
    Plain, Bold, Italic, Underline, UnderlineNone, Strike, Hidden, FontSize, Foreground,
    Background, Sub, Super, NoSuperSub,
    // paragraphs and breaks
    Par, Pard, Line, Tab, Align, LeftIndent, RightIndent, FirstIndent, SpaceBefore, SpaceAfter,
    InTable, TableLevel, Cell, NestCell, Row, NestRow, Break,
    // a character by name; arg is its code
    Char,
};
// clang-format on

struct KwInfo {
    Kw kw;
    quint16 arg = 0;
};

const std::unordered_map<std::string_view, KwInfo>& keywords() {
    static const auto table = [] {
        std::unordered_map<std::string_view, KwInfo> t;
        // Destinations whose text is not part of the body.
        static constexpr const char* kSkipped[] = {"stylesheet",
                                                   "info",
                                                   "pict",
                                                   "header",
                                                   "headerl",
                                                   "headerr",
                                                   "headerf",
                                                   "footer",
                                                   "footerl",
                                                   "footerr",
                                                   "footerf",
                                                   "footnote",
                                                   "annotation",
                                                   "object",
                                                   "fldinst",
                                                   "xe",
                                                   "tc",
                                                   "tcn",
                                                   "txe",
                                                   "rxe",
                                                   "template",
                                                   "listtable",
                                                   "listoverridetable",
                                                   "revtbl",
                                                   "rsidtbl",
                                                   "pgdsctbl",
                                                   "filetbl",
                                                   "nonesttables",
                                                   "comment",
                                                   "author",
                                                   "operator",
                                                   "title",
                                                   "subject",
                                                   "keywords",
                                                   "doccomm",
                                                   "creatim",
                                                   "revtim",
                                                   "printim",
                                                   "buptim",
                                                   "pn",
                                                   "pntxta",
                                                   "pntxtb",
                                                   "shp",
                                                   "shpgrp",
                                                   "shpinst",
                                                   "shprslt",
                                                   "shppict",
                                                   "nonshppict",
                                                   "do",
                                                   "bkmkstart",
                                                   "bkmkend",
                                                   "private",
                                                   "ftnsep",
                                                   "ftnsepc",
                                                   "ftncn",
                                                   "aftnsep",
                                                   "aftnsepc",
                                                   "aftncn",
                                                   "background",
                                                   "userprops",
                                                   "xmlnstbl",
                                                   "themedata",
                                                   "colorschememapping",
                                                   "latentstyles",
                                                   "datastore",
                                                   "generator",
                                                   "objdata",
                                                   "falt",
                                                   "panose",
                                                   "atnid",
                                                   "atnauthor",
                                                   "atntime",
                                                   "atnref",
                                                   "atndate",
                                                   "atnicn",
                                                   "atrfstart",
                                                   "atrfend"};
        for (const char* name : kSkipped) t.emplace(name, KwInfo{Kw::SkipDest});

        using U = QTextCharFormat::UnderlineStyle;
        // clang-format off
        static const std::pair<const char*, KwInfo> kWords[] = {
            {"fonttbl", {Kw::FontTable}}, {"colortbl", {Kw::ColorTable}}, {"upr", {Kw::Upr}},
            {"ud", {Kw::Ud}}, {"bin", {Kw::Bin}},
            // Document.
            {"ansi", {Kw::Ansi}}, {"mac", {Kw::Mac}}, {"pc", {Kw::Pc}}, {"pca", {Kw::Pca}},
            {"ansicpg", {Kw::AnsiCpg}}, {"deff", {Kw::Deff}}, {"uc", {Kw::Uc}}, {"u", {Kw::U}},
            // Font and colour tables.
            {"f", {Kw::F}}, {"fcharset", {Kw::FCharset}}, {"cpg", {Kw::Cpg}},
            {"red", {Kw::Red}}, {"green", {Kw::Green}}, {"blue", {Kw::Blue}},
            // Character properties.
            {"plain", {Kw::Plain}}, {"b", {Kw::Bold}}, {"i", {Kw::Italic}},
            {"ul", {Kw::Underline, U::SingleUnderline}},
            {"uldb", {Kw::Underline, U::SingleUnderline}},
            {"ulw", {Kw::Underline, U::SingleUnderline}},
            {"ulth", {Kw::Underline, U::SingleUnderline}},
            {"uld", {Kw::Underline, U::DotLine}}, {"ulthd", {Kw::Underline, U::DotLine}},
            {"uldash", {Kw::Underline, U::DashUnderline}},
            {"ulldash", {Kw::Underline, U::DashUnderline}},
            {"ulthdash", {Kw::Underline, U::DashUnderline}},
            {"ulthldash", {Kw::Underline, U::DashUnderline}},
            {"uldashd", {Kw::Underline, U::DashDotLine}},
            {"ulthdashd", {Kw::Underline, U::DashDotLine}},
            {"uldashdd", {Kw::Underline, U::DashDotDotLine}},
            {"ulthdashdd", {Kw::Underline, U::DashDotDotLine}},
            {"ulwave", {Kw::Underline, U::WaveUnderline}},
            {"ulhwave", {Kw::Underline, U::WaveUnderline}},
            {"ululdbwave", {Kw::Underline, U::WaveUnderline}},
            {"ulnone", {Kw::UnderlineNone}}, {"strike", {Kw::Strike}}, {"striked", {Kw::Strike}},
            {"v", {Kw::Hidden}}, {"fs", {Kw::FontSize}}, {"cf", {Kw::Foreground}},
            {"cb", {Kw::Background}}, {"highlight", {Kw::Background}},
            {"chcbpat", {Kw::Background}}, {"sub", {Kw::Sub}}, {"super", {Kw::Super}},
            {"nosupersub", {Kw::NoSuperSub}},
            // Paragraphs, breaks and tables.
            {"par", {Kw::Par}}, {"pard", {Kw::Pard}}, {"line", {Kw::Line}}, {"lbr", {Kw::Line}},
            {"tab", {Kw::Tab}}, {"ql", {Kw::Align, 0}}, {"qc", {Kw::Align, 1}},
            {"qr", {Kw::Align, 2}}, {"qj", {Kw::Align, 3}}, {"qd", {Kw::Align, 3}},
            {"li", {Kw::LeftIndent}}, {"lin", {Kw::LeftIndent}}, {"ri", {Kw::RightIndent}},
            {"rin", {Kw::RightIndent}}, {"fi", {Kw::FirstIndent}}, {"sb", {Kw::SpaceBefore}},
            {"sa", {Kw::SpaceAfter}}, {"intbl", {Kw::InTable}}, {"itap", {Kw::TableLevel}},
            {"cell", {Kw::Cell}}, {"nestcell", {Kw::NestCell}}, {"row", {Kw::Row}},
            {"nestrow", {Kw::NestRow}}, {"sect", {Kw::Break}}, {"page", {Kw::Break}},
            {"column", {Kw::Break}},
            // Characters by name.
            {"emdash", {Kw::Char, 0x2014}}, {"endash", {Kw::Char, 0x2013}},
            {"bullet", {Kw::Char, 0x2022}}, {"lquote", {Kw::Char, 0x2018}},
            {"rquote", {Kw::Char, 0x2019}}, {"ldblquote", {Kw::Char, 0x201C}},
            {"rdblquote", {Kw::Char, 0x201D}}, {"emspace", {Kw::Char, 0x2003}},
            {"enspace", {Kw::Char, 0x2002}}, {"qmspace", {Kw::Char, 0x2005}},
            {"zwj", {Kw::Char, 0x200D}}, {"zwnj", {Kw::Char, 0x200C}},
            {"ltrmark", {Kw::Char, 0x200E}}, {"rtlmark", {Kw::Char, 0x200F}},
        };
        // clang-format on
        for (const auto& [name, info] : kWords) t.emplace(name, info);
        return t;
    }();
    return table;
}

struct CharProps {
    int font = -1;  // font number; -1 for the document's default font (\deff)
    int halfPoints = 24;
    int foreground = 0;  // colour table index; entries without components mean "automatic"
    int background = 0;
    quint8 underline = QTextCharFormat::NoUnderline;
    quint8 vertical = QTextCharFormat::AlignNormal;
    bool bold = false;
    bool italic = false;
    bool strike = false;
    bool hidden = false;

    bool operator==(const CharProps& o) const {
        return font == o.font && halfPoints == o.halfPoints && foreground == o.foreground &&
               background == o.background && underline == o.underline && vertical == o.vertical &&
               bold == o.bold && italic == o.italic && strike == o.strike && hidden == o.hidden;
    }
    bool operator!=(const CharProps& o) const { return !(*this == o); }
};

size_t qHash(const CharProps& c, size_t seed = 0) {
    return qHashMulti(seed, c.font, c.halfPoints, c.foreground, c.background, c.underline,
                      c.vertical, c.bold, c.italic, c.strike);
}

struct ParaProps {
    int align = 0;  // 0 left, 1 centre, 2 right, 3 justified
    int left = 0;   // twips
    int right = 0;
    int first = 0;
    int before = 0;
    int after = 0;
    bool inTable = false;

    bool operator==(const ParaProps& o) const {
        return align == o.align && left == o.left && right == o.right && first == o.first &&
               before == o.before && after == o.after;
    }
};

size_t qHash(const ParaProps& p, size_t seed = 0) {
    return qHashMulti(seed, p.align, p.left, p.right, p.first, p.before, p.after);
}

struct State {
    CharProps chr;
    ParaProps para;
    Dest dest = Dest::Text;
    Dest uprOuter = Dest::Text;  // where \ud sends the text of an \upr group
    int uc = 1;                  // fallback characters after each \u
};

struct FontEntry {
    QString name;
    int codePage = 0;  // 0: the document's code page
};

struct ColorEntry {
    QColor color;
    bool automatic = true;
};

constexpr int kMaxTableEntries = 65536;
constexpr int kMaxTwips = 31680;  // 22 inches
constexpr int kMaxHalfPoints = 3276;

bool isLetter(uchar c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(uchar c) {
    return c >= '0' && c <= '9';
}
int hexValue(uchar c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Skips white space and a UTF-8 byte-order mark; returns the offset of the first other byte.
qsizetype startOfContent(const QByteArray& data) {
    qsizetype i = 0;
    if (data.startsWith("\xEF\xBB\xBF")) i = 3;
    while (i < data.size() && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' ||
                               data[i] == '\n' || data[i] == '\f' || data[i] == '\v')) {
        ++i;
    }
    return i;
}

// Replaces unpaired surrogates, which the document cannot show, by U+FFFD.
void repairSurrogates(QString& text) {
    char16_t* s = reinterpret_cast<char16_t*>(text.data());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (!QChar::isSurrogate(s[i])) continue;
        if (QChar::isHighSurrogate(s[i]) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
            ++i;
        } else {
            s[i] = 0xFFFD;
        }
    }
}

class Parser {
  public:
    Parser(const QByteArray& data, qsizetype start, FormattedText& out,
           const RtfReader::Progress& progress)
        : p_(reinterpret_cast<const uchar*>(data.constData()) + start),
          begin_(p_),
          end_(reinterpret_cast<const uchar*>(data.constData()) + data.size()),
          progress_(progress),
          out_(out) {
        stack_.reserve(64);
    }

    // False when the progress callback stopped the reading; what was read is kept all the same.
    bool run() {
        constexpr qsizetype kProgressStep = 256 * 1024;
        const uchar* nextReport = progress_ ? p_ + kProgressStep : end_;
        while (p_ < end_ && !done_) {
            if (p_ >= nextReport) {
                nextReport = p_ + kProgressStep;
                if (!progress_(int((p_ - begin_) * 100 / (end_ - begin_)))) {
                    finish();
                    return false;
                }
            }
            switch (*p_) {
                case '{':
                    ++p_;
                    openGroup();
                    break;
                case '}':
                    ++p_;
                    closeGroup();
                    break;
                case '\\':
                    ++p_;
                    control();
                    break;
                case '\r':
                case '\n':
                    ++p_;
                    break;
                default:
                    text();
                    break;
            }
        }
        finish();
        return true;
    }

  private:
    // --- groups -------------------------------------------------------------------------------

    void openGroup() {
        skipChars_ = 0;
        ignorable_ = false;
        if (stack_.size() >= size_t(RtfReader::kMaxGroupDepth)) {
            if (overflow_++ == 0) overflowSaved_ = st_;
            return;
        }
        stack_.push_back(st_);
    }

    void closeGroup() {
        skipChars_ = 0;
        ignorable_ = false;
        if (overflow_ > 0) {
            if (--overflow_ == 0) leaveGroup(overflowSaved_);
            return;
        }
        if (stack_.size() <= 1) {
            // The document's own group ends the document; its state stays for the last paragraph.
            stack_.clear();
            done_ = true;
            return;
        }
        const State outer = stack_.back();
        stack_.pop_back();
        leaveGroup(outer);
    }

    void leaveGroup(const State& outer) {
        if (st_.dest == Dest::FontTable &&
            (outer.dest != Dest::FontTable || !fontName_.isEmpty() || !fontBytes_.isEmpty())) {
            commitFont();  // also an entry group that lacks its ';'
        }
        if (st_.dest == Dest::ColorTable && outer.dest != Dest::ColorTable && colorHasValue_) {
            commitColor();
        }
        st_ = outer;
    }

    // --- tokens -------------------------------------------------------------------------------

    void control() {
        if (p_ >= end_) return;
        const uchar c = *p_;
        if (!isLetter(c)) {
            ++p_;
            symbol(c);
            return;
        }
        const uchar* start = p_;
        while (p_ < end_ && isLetter(*p_)) ++p_;
        const std::string_view word(reinterpret_cast<const char*>(start), size_t(p_ - start));
        bool hasParam = false;
        int param = 0;
        if (p_ < end_ && (*p_ == '-' || isDigit(*p_))) {
            const bool negative = *p_ == '-';
            if (negative) ++p_;
            qint64 value = 0;
            while (p_ < end_ && isDigit(*p_)) {
                if (value < 100000000000LL) value = value * 10 + (*p_ - '0');
                ++p_;
                hasParam = true;
            }
            value = std::min<qint64>(value, std::numeric_limits<int>::max());
            param = int(negative ? -value : value);
        }
        if (p_ < end_ && *p_ == ' ') ++p_;
        const auto& table = keywords();
        const auto it = word.size() <= 32 ? table.find(word) : table.end();
        keyword(it == table.end() ? KwInfo{Kw::Unknown} : it->second, hasParam, param);
    }

    void symbol(uchar c) {
        ignorable_ = false;
        switch (c) {
            case '*':
                ignorable_ = true;
                return;
            case '\'': {
                int value = 0;
                int digits = 0;
                while (digits < 2 && p_ < end_ && hexValue(*p_) >= 0) {
                    value = value * 16 + hexValue(*p_++);
                    ++digits;
                }
                if (digits > 0) textByte(uchar(value));
                return;
            }
            case '\\':
            case '{':
            case '}':
                textByte(c);
                return;
            default:
                break;
        }
        if (!inText()) return;
        skipChars_ = 0;
        switch (c) {
            case '~':
                emitChar(0x00A0);
                break;
            case '-':
                emitChar(0x00AD);
                break;
            case '_':
                emitChar(0x2011);
                break;
            case '\t':
                emitChar('\t');
                break;
            case '\r':
            case '\n':
                endParagraph();
                break;
            default:
                break;
        }
    }

    void keyword(KwInfo info, bool hasParam, int param) {
        const bool ignorable = ignorable_;
        ignorable_ = false;
        if (info.kw == Kw::Bin) {
            const qint64 n = hasParam ? std::max(param, 0) : 0;
            p_ += std::min<qint64>(n, end_ - p_);
            skipChars_ = 0;
            return;
        }
        if (st_.dest == Dest::Skip) return;
        if (st_.dest == Dest::UprAnsi) {
            if (info.kw == Kw::Ud) st_.dest = st_.uprOuter;
            return;
        }
        if (ignorable && info.kw != Kw::Ud) {
            st_.dest = Dest::Skip;
            return;
        }
        // A control word ends the fallback text of a \u.
        skipChars_ = 0;
        const bool on = !hasParam || param != 0;
        switch (info.kw) {
            case Kw::SkipDest:
                st_.dest = Dest::Skip;
                return;
            case Kw::FontTable:
                st_.dest = Dest::FontTable;
                fontNumber_ = -1;
                return;
            case Kw::ColorTable:
                st_.dest = Dest::ColorTable;
                colorHasValue_ = false;
                return;
            case Kw::Upr:
                st_.uprOuter = st_.dest;
                st_.dest = Dest::UprAnsi;
                return;
            case Kw::Uc:
                st_.uc = std::clamp(hasParam ? param : 1, 0, 255);
                return;
            case Kw::U:
                unicode(param);
                return;
            case Kw::Ansi:
                docCodePage_ = 1252;
                return;
            case Kw::Mac:
                docCodePage_ = 10000;
                return;
            case Kw::Pc:
                docCodePage_ = 437;
                return;
            case Kw::Pca:
                docCodePage_ = 850;
                return;
            case Kw::AnsiCpg:
                if (param > 0) docCodePage_ = param;
                return;
            case Kw::Deff:
                defaultFont_ = param;
                return;
            default:
                break;
        }
        if (st_.dest == Dest::FontTable) {
            switch (info.kw) {
                case Kw::F:
                    if (!fontName_.isEmpty() || !fontBytes_.isEmpty()) commitFont();
                    fontNumber_ = std::max(param, 0);
                    fontCharset_ = 0;
                    fontCpg_ = 0;
                    fontName_.clear();
                    fontBytes_.clear();
                    break;
                case Kw::FCharset:
                    fontCharset_ = param;
                    break;
                case Kw::Cpg:
                    fontCpg_ = param;
                    break;
                default:
                    break;
            }
            return;
        }
        if (st_.dest == Dest::ColorTable) {
            const int component = std::clamp(param, 0, 255);
            switch (info.kw) {
                case Kw::Red:
                    red_ = component;
                    colorHasValue_ = true;
                    break;
                case Kw::Green:
                    green_ = component;
                    colorHasValue_ = true;
                    break;
                case Kw::Blue:
                    blue_ = component;
                    colorHasValue_ = true;
                    break;
                default:
                    break;
            }
            return;
        }

        CharProps& chr = st_.chr;
        ParaProps& para = st_.para;
        switch (info.kw) {
            case Kw::F:
                chr.font = std::max(param, 0);
                break;
            case Kw::FontSize:
                chr.halfPoints = std::clamp(hasParam ? param : 24, 2, kMaxHalfPoints);
                break;
            case Kw::Foreground:
                chr.foreground = std::max(param, 0);
                break;
            case Kw::Background:
                chr.background = std::max(param, 0);
                break;
            case Kw::Plain:
                chr = CharProps();
                break;
            case Kw::Bold:
                chr.bold = on;
                break;
            case Kw::Italic:
                chr.italic = on;
                break;
            case Kw::Strike:
                chr.strike = on;
                break;
            case Kw::Hidden:
                chr.hidden = on;
                break;
            case Kw::Underline:
                chr.underline = on ? quint8(info.arg) : quint8(QTextCharFormat::NoUnderline);
                break;
            case Kw::UnderlineNone:
                chr.underline = QTextCharFormat::NoUnderline;
                break;
            case Kw::Sub:
                chr.vertical =
                    quint8(on ? QTextCharFormat::AlignSubScript : QTextCharFormat::AlignNormal);
                break;
            case Kw::Super:
                chr.vertical =
                    quint8(on ? QTextCharFormat::AlignSuperScript : QTextCharFormat::AlignNormal);
                break;
            case Kw::NoSuperSub:
                chr.vertical = QTextCharFormat::AlignNormal;
                break;
            case Kw::Pard:
                para = ParaProps();
                break;
            case Kw::Align:
                para.align = info.arg;
                break;
            case Kw::LeftIndent:
                para.left = std::clamp(param, 0, kMaxTwips);
                break;
            case Kw::RightIndent:
                para.right = std::clamp(param, 0, kMaxTwips);
                break;
            case Kw::FirstIndent:
                para.first = std::clamp(param, -kMaxTwips, kMaxTwips);
                break;
            case Kw::SpaceBefore:
                para.before = std::clamp(param, 0, kMaxTwips);
                break;
            case Kw::SpaceAfter:
                para.after = std::clamp(param, 0, kMaxTwips);
                break;
            case Kw::InTable:
                para.inTable = true;
                break;
            case Kw::TableLevel:
                para.inTable = param > 0;
                break;
            case Kw::Par:
            case Kw::Break:
                endParagraph();
                break;
            case Kw::Line:
                emitChar(QChar::LineSeparator);
                break;
            case Kw::Tab:
                emitChar('\t');
                break;
            case Kw::Cell:
            case Kw::NestCell:
            case Kw::NestRow:
                if (!chr.hidden) {
                    ++pendingTabs_;
                    pendingSpace_ = false;
                }
                break;
            case Kw::Row:
                endRow();
                break;
            case Kw::Char:
                emitChar(info.arg);
                break;
            default:
                break;
        }
    }

    void unicode(int param) {
        int code = param < 0 ? param + 65536 : param;
        if (code < 0 || code > 0xFFFF) code = 0xFFFD;
        if (st_.dest == Dest::Text) {
            emitChar(char16_t(code));
        } else if (st_.dest == Dest::FontTable) {
            fontName_ += decodeFontBytes();
            fontName_.append(QChar(char16_t(code)));
        }
        skipChars_ = st_.uc;
    }

    // Plain bytes between control words.
    void text() {
        ignorable_ = false;
        if (st_.dest == Dest::Skip || st_.dest == Dest::UprAnsi) {
            while (p_ < end_ && *p_ != '{' && *p_ != '}' && *p_ != '\\') ++p_;
            return;
        }
        if (st_.dest == Dest::Text && skipChars_ == 0) {
            const uchar* start = p_;
            while (p_ < end_ && *p_ >= 0x20 && *p_ != '{' && *p_ != '}' && *p_ != '\\') ++p_;
            if (p_ > start) {
                emitBytes(start, p_ - start);
                return;
            }
        }
        textByte(*p_++);
    }

    // One byte of text: a plain byte, \'hh or an escaped brace or backslash.
    void textByte(uchar c) {
        if (skipChars_ > 0) {
            --skipChars_;
            return;
        }
        switch (st_.dest) {
            case Dest::Text:
                if (c < 0x20) {
                    if (c == '\t') emitChar('\t');
                } else {
                    emitBytes(&c, 1);
                }
                break;
            case Dest::FontTable:
                if (c == ';') {
                    commitFont();
                } else if (c >= 0x20) {
                    fontBytes_.append(char(c));
                }
                break;
            case Dest::ColorTable:
                if (c == ';') commitColor();
                break;
            default:
                break;
        }
    }

    bool inText() const { return st_.dest == Dest::Text; }

    // --- tables -------------------------------------------------------------------------------

    QString decodeFontBytes() {
        if (fontBytes_.isEmpty()) return QString();
        int cp = fontCpg_ > 0 ? fontCpg_ : CodePageDecoder::codePageForCharset(fontCharset_);
        if (cp == 0) cp = docCodePage_;
        const QString s = decoder_.decode(cp, fontBytes_);
        fontBytes_.clear();
        return s;
    }

    void commitFont() {
        fontName_ += decodeFontBytes();
        if (fontNumber_ >= 0 &&
            (fonts_.size() < kMaxTableEntries || fonts_.contains(fontNumber_))) {
            FontEntry entry;
            entry.name = fontName_.trimmed();
            entry.codePage =
                fontCpg_ > 0 ? fontCpg_ : CodePageDecoder::codePageForCharset(fontCharset_);
            fonts_.insert(fontNumber_, entry);
        }
        fontNumber_ = -1;
        fontName_.clear();
    }

    void commitColor() {
        if (colors_.size() < kMaxTableEntries) {
            ColorEntry entry;
            entry.automatic = !colorHasValue_;
            if (colorHasValue_) entry.color = QColor(red_, green_, blue_);
            colors_.append(entry);
        }
        red_ = green_ = blue_ = 0;
        colorHasValue_ = false;
    }

    // --- body text ----------------------------------------------------------------------------

    // Brings the pending paragraph break, cell tabs and run change up to date before text.
    // Returns false when the text is hidden and must be dropped.
    bool prepareText() {
        if (st_.chr.hidden) return false;
        paragraphBegun_ = pendingBreak_;
        if (!runActive_ || runProps_ != st_.chr) {
            flushRun();
            runProps_ = st_.chr;
            runCodePage_ = codePageFor(runProps_.font);
            runActive_ = true;
        }
        if (pendingTabs_ > 0 || pendingSpace_) {
            flushBytes();
            if (pendingTabs_ > 0) {
                runText_.append(QString(pendingTabs_, QLatin1Char('\t')));
            } else {
                runText_.append(QLatin1Char(' '));
            }
            pendingTabs_ = 0;
            pendingSpace_ = false;
        }
        return true;
    }

    void emitBytes(const uchar* data, qsizetype n) {
        if (!prepareText()) return;
        runBytes_.append(reinterpret_cast<const char*>(data), n);
    }

    void emitChar(char16_t ch) {
        if (!inText()) return;
        if (ch == QChar::ParagraphSeparator) {
            endParagraph();
            return;
        }
        if ((ch < 0x20 && ch != '\t') || ch == 0xFFFE || ch == 0xFFFF) return;
        if (ch == 0xFDD0 || ch == 0xFDD1) ch = 0xFFFD;  // the document's frame markers
        if (!prepareText()) return;
        flushBytes();
        runText_.append(QChar(ch));
    }

    void flushBytes() {
        if (runBytes_.isEmpty()) return;
        // Some code pages map bytes to control characters; keep only what text may hold.
        const QString decoded = decoder_.decode(runCodePage_, runBytes_);
        runBytes_.resize(0);
        const auto special = [](char16_t ch) {
            return ch < 0x20 || ch == QChar::ParagraphSeparator || ch == 0xFDD0 || ch == 0xFDD1 ||
                   ch >= 0xFFFE;
        };
        if (std::none_of(decoded.cbegin(), decoded.cend(),
                         [&](QChar qc) { return special(qc.unicode()); })) {
            runText_ += decoded;
            return;
        }
        for (QChar qc : decoded) {
            char16_t ch = qc.unicode();
            if ((ch < 0x20 && ch != '\t') || ch == 0xFFFE || ch == 0xFFFF) continue;
            if (ch == QChar::ParagraphSeparator || ch == 0xFDD0 || ch == 0xFDD1) ch = 0xFFFD;
            runText_.append(QChar(ch));
        }
    }

    void flushRun() {
        flushBytes();
        if (runText_.isEmpty()) return;
        repairSurrogates(runText_);
        openParagraph();
        append(runText_, charId(runProps_));
        runText_.resize(0);
    }

    void append(QStringView text, int format) {
        if (runs_.empty() || runs_.back().format != format)
            runs_.push_back({out_.text.size(), format});
        out_.text += text;
    }

    void endParagraph() {
        if (!inText()) return;
        if (st_.para.inTable) {
            // Paragraphs inside a cell stay on the row's line.
            if (pendingTabs_ == 0) pendingSpace_ = true;
            return;
        }
        finishParagraph();
    }

    void endRow() {
        if (!inText()) return;
        pendingTabs_ = 0;
        pendingSpace_ = false;
        finishParagraph();
    }

    void finishParagraph() {
        flushRun();
        writeParagraph();
        pendingBreak_ = true;
        pendingTabs_ = 0;
        pendingSpace_ = false;
    }

    void finish() {
        flushRun();
        // A final paragraph mark ends the last paragraph rather than starting an empty one.
        if (!pendingBreak_ || paragraphBegun_) writeParagraph();
        TextFormats& formats = out_.formats;
        formats.reset(out_.text.size(), qsizetype(lines_.size()));
        for (size_t i = 0; i < runs_.size(); ++i) {
            const qsizetype end = i + 1 < runs_.size() ? runs_[i + 1].position : out_.text.size();
            formats.appendCharFormat(runs_[i].position, end, runs_[i].format);
        }
        for (size_t line = 0; line < lines_.size(); ++line)
            formats.setBlockFormat(qsizetype(line), lines_[line]);
        formats.setEndMarkFormat(previousMark_);
    }

    // A paragraph after the first begins with the line break that ends the one before, in that
    // one's mark format; it goes in with the paragraph's first text, or at its end.
    void openParagraph() {
        if (!pendingBreak_ || breakWritten_) return;
        append(u"\n", previousMark_);
        breakWritten_ = true;
    }

    // A hidden paragraph mark takes the format of the last character of the paragraph before, or
    // of that one's mark when it is empty (the empty format before the first paragraph).
    void writeParagraph() {
        openParagraph();
        closeParagraph(st_.chr.hidden ? previousTail_ : charId(st_.chr));
        paragraphBegun_ = false;
    }

    // Paragraph properties apply as they stand at the paragraph's end.
    void closeParagraph(int mark) {
        lines_.push_back(blockId(st_.para));
        previousTail_ = out_.text.size() > paragraphStart_ ? runs_.back().format : mark;
        previousMark_ = mark;
        breakWritten_ = false;
        paragraphStart_ = out_.text.size() + 1;  // after the line break that will end it
    }

    // --- formats ------------------------------------------------------------------------------

    int codePageFor(int font) const {
        const auto it = fonts_.constFind(font >= 0 ? font : defaultFont_);
        if (it != fonts_.constEnd() && it->codePage > 0) return it->codePage;
        return docCodePage_;
    }

    const QColor* colorAt(int index) const {
        if (index < 0 || index >= colors_.size() || colors_[index].automatic) return nullptr;
        return &colors_[index].color;
    }

    int charId(const CharProps& props) {
        const auto cached = charIds_.constFind(props);
        if (cached != charIds_.constEnd()) return cached.value();
        QTextCharFormat f;
        f.setFontWeight(props.bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(props.italic);
        f.setUnderlineStyle(QTextCharFormat::UnderlineStyle(props.underline));
        f.setFontStrikeOut(props.strike);
        f.setFontPointSize(props.halfPoints / 2.0);
        const auto font = fonts_.constFind(props.font >= 0 ? props.font : defaultFont_);
        if (font != fonts_.constEnd() && !font->name.isEmpty()) {
            f.setFontFamilies(QStringList{font->name});
        }
        if (const QColor* c = colorAt(props.foreground)) f.setForeground(*c);
        if (const QColor* c = colorAt(props.background)) f.setBackground(*c);
        f.setVerticalAlignment(QTextCharFormat::VerticalAlignment(props.vertical));
        const int id = out_.formats.internChar(f);
        charIds_.insert(props, id);
        return id;
    }

    int blockId(const ParaProps& props) {
        const auto cached = blockIds_.constFind(props);
        if (cached != blockIds_.constEnd()) return cached.value();
        static constexpr Qt::Alignment kAlign[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight,
                                                   Qt::AlignJustify};
        QTextBlockFormat f;
        f.setAlignment(kAlign[props.align & 3]);
        f.setLeftMargin(props.left / RtfReader::kTwipsPerUnit);
        f.setRightMargin(props.right / RtfReader::kTwipsPerUnit);
        f.setTextIndent(props.first / RtfReader::kTwipsPerUnit);
        f.setTopMargin(props.before / RtfReader::kTwipsPerUnit);
        f.setBottomMargin(props.after / RtfReader::kTwipsPerUnit);
        const int id = out_.formats.internBlock(f);
        blockIds_.insert(props, id);
        return id;
    }

    // Input.
    const uchar* p_;
    const uchar* begin_;
    const uchar* end_;
    const RtfReader::Progress& progress_;
    bool done_ = false;

    // Groups.
    State st_;
    std::vector<State> stack_;
    int overflow_ = 0;  // groups opened beyond the depth limit
    State overflowSaved_;
    bool ignorable_ = false;  // just after "\*"
    int skipChars_ = 0;       // \u fallback characters still to skip

    // Document settings and tables.
    int docCodePage_ = 1252;
    int defaultFont_ = 0;
    QHash<int, FontEntry> fonts_;
    int fontNumber_ = -1;
    int fontCharset_ = 0;
    int fontCpg_ = 0;
    QString fontName_;
    QByteArray fontBytes_;
    QVector<ColorEntry> colors_;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colorHasValue_ = false;

    // Output.
    FormattedText& out_;
    CodePageDecoder decoder_;
    CharProps runProps_;
    bool runActive_ = false;
    int runCodePage_ = 1252;
    QByteArray runBytes_;
    QString runText_;
    // A paragraph mark was read: the paragraph after it is the current one.
    bool pendingBreak_ = false;
    bool paragraphBegun_ = false;  // text of it came (even if none of it is kept)
    bool breakWritten_ = false;    // the line break before it is in the text
    qsizetype paragraphStart_ = 0;
    int previousMark_ = 0;  // the format of the last paragraph mark read
    int previousTail_ = 0;  // what a hidden mark of the current paragraph takes
    int pendingTabs_ = 0;
    bool pendingSpace_ = false;
    // Where each run of the text begins, in format ids of out_.formats, and each paragraph's
    // format: made into out_.formats at the end, when the length is known.
    struct Start {
        qsizetype position;
        int format;
    };
    std::vector<Start> runs_;
    std::vector<int> lines_;
    QHash<CharProps, int> charIds_;
    QHash<ParaProps, int> blockIds_;
};

}  // namespace

namespace RtfReader {

bool isRtf(const QByteArray& data) {
    return data.mid(startOfContent(data), 5) == "{\\rtf";
}

bool read(const QByteArray& data, FormattedText* into, const Progress& progress) {
    if (!into || !isRtf(data)) return false;
    FormattedText read;
    const bool complete = Parser(data, startOfContent(data), read, progress).run();
    *into = std::move(read);
    return complete;
}

bool read(const QByteArray& data, QTextDocument* document, const Progress& progress) {
    if (!document || !isRtf(data)) return false;
    FormattedText read;
    const bool complete = RtfReader::read(data, &read, progress);
    TextBuffer text;
    text.setText(std::move(read.text));
    FormattedText::toDocument(text, read.formats, 0, text.length(), document);
    return complete;
}

}  // namespace RtfReader
