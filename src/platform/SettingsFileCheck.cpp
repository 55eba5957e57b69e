#include "platform/SettingsFileCheck.h"

#include <QString>
#include <QStringDecoder>

#include <cstdint>
#include <utility>
#include <vector>

namespace aq {

namespace {

// --- the raw variant ------------------------------------------------------------

// QDataStream in the Qt 4.0 format that QSettings writes variants in: big
// endian, a 32-bit type id, no null flag. Ids from 128 up are Qt 6's core
// ids above 30 moved up by 97.
enum StoredType : std::uint32_t {
    kInvalid = 0,
    kBool = 1,
    kInt = 2,
    kUInt = 3,
    kLongLong = 4,
    kULongLong = 5,
    kDouble = 6,
    kChar = 7,
    kMap = 8,
    kList = 9,
    kString = 10,
    kStringList = 11,
    kByteArray = 12,
    kHash = 28,
    kShort = 130,
    kSignedChar = 131,
    kUShort = 133,
    kUChar = 134,
    kSChar = 137,
};

class VariantWalk {
public:
    explicit VariantWalk(QByteArrayView bytes) : _bytes(bytes) {}

    bool run() {
        if (!variant()) return false;
        while (!_open.empty()) {
            Container& top = _open.back();
            if (top.left == 0) {
                _open.pop_back();
                continue;
            }
            --top.left;
            const std::uint32_t type = top.type;  // `top` may move below
            bool ok = false;
            if (type == kStringList) {
                ok = string();
            } else if (type == kList) {
                ok = variant();
            } else {
                ok = string() && variant();  // a map entry: key, value
            }
            if (!ok) return false;
        }
        return true;  // what follows (the closing parenthesis) is not read
    }

private:
    struct Container {
        std::uint32_t type;
        std::uint32_t left;
    };

    bool u32(std::uint32_t& value) {
        if (_bytes.size() - _at < 4) return false;
        value = 0;
        for (int i = 0; i < 4; ++i) value = (value << 8) | static_cast<std::uint8_t>(_bytes[_at++]);
        return true;
    }
    bool skip(qsizetype count) {
        if (_bytes.size() - _at < count) return false;
        _at += count;
        return true;
    }
    // A QString or QByteArray: a byte length (all ones: null), the bytes.
    bool sized(bool utf16) {
        std::uint32_t length = 0;
        if (!u32(length)) return false;
        if (length == 0xFFFFFFFFu) return true;
        if (utf16 && length % 2 != 0) return false;
        return skip(static_cast<qsizetype>(length));
    }
    bool string() { return sized(true); }

    bool variant() {
        std::uint32_t type = 0;
        if (!u32(type)) return false;
        switch (type) {
            case kInvalid:  // written with an empty text after it
                return string();
            case kBool:
            case kSignedChar:
            case kUChar:
            case kSChar:
                return skip(1);
            case kChar:
            case kShort:
            case kUShort:
                return skip(2);
            case kInt:
            case kUInt:
                return skip(4);
            case kLongLong:
            case kULongLong:
            case kDouble:
                return skip(8);
            case kString:
                return string();
            case kByteArray:
                return sized(false);
            case kList:
            case kStringList:
            case kMap:
            case kHash: {
                std::uint32_t count = 0;
                if (!u32(count)) return false;
                if (static_cast<int>(_open.size()) >= kMaxSettingsValueDepth) return false;
                // Every entry takes at least four bytes: a count larger than
                // that is a lie QSettings would reserve memory for.
                if (count > static_cast<std::uint64_t>(_bytes.size() - _at) / 4) return false;
                _open.push_back({type, count});
                return true;
            }
            default:
                return false;
        }
    }

    QByteArrayView _bytes;
    qsizetype _at = 0;
    std::vector<Container> _open;
};

// --- the INI text, split as QSettings splits it -------------------------------------

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool isSpecial(char c) {
    return c == '\n' || c == '\r' || c == '"' || c == ';' || c == '=' || c == '\\';
}

// One logical line: [start, start + length), with the position of its first
// unquoted '=' or -1. Quotes and backslashes carry a line over line ends; a
// ';' at a line's start makes it a comment. Returns false at the end.
bool nextLine(QByteArrayView data, qsizetype& pos, qsizetype& start, qsizetype& length,
              qsizetype& equals) {
    const qsizetype size = data.size();
    bool inQuotes = false;
    equals = -1;
    start = pos;
    while (start < size && isSpace(data[start])) ++start;
    qsizetype i = start;
    while (i < size) {
        const char ch = data[i];
        ++i;
        if (!isSpecial(ch)) continue;
        if (ch == '=') {
            if (!inQuotes && equals == -1) equals = i - 1;
        } else if (ch == '\n' || ch == '\r') {
            if (i == start + 1) {
                ++start;
            } else if (!inQuotes) {
                --i;
                break;
            }
        } else if (ch == '\\') {
            if (i < size) {
                const char escaped = data[i++];
                if (i < size) {
                    const char next = data[i];
                    if ((escaped == '\n' && next == '\r') || (escaped == '\r' && next == '\n')) ++i;
                }
            }
        } else if (ch == '"') {
            inQuotes = !inQuotes;
        } else if (i == start + 1) {  // ';' opening a comment line
            while (i < size && data[i] != '\n' && data[i] != '\r') ++i;
            while (i < size && isSpace(data[i])) ++i;
            start = i;
        } else if (!inQuotes) {
            --i;
            break;
        }
    }
    pos = i;
    length = i - start;
    return length > 0;
}

// The escapes QSettings resolves by letter.
constexpr std::pair<char, char16_t> kNamedEscapes[] = {
    {'a', u'\a'}, {'b', u'\b'}, {'f', u'\f'}, {'n', u'\n'},  {'r', u'\r'},  {'t', u'\t'},
    {'v', u'\v'}, {'"', u'"'},  {'?', u'?'},  {'\'', u'\''}, {'\\', u'\\'},
};

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The texts of a value: one, or several when unquoted commas part it. Escapes
// are resolved as QSettings resolves them; only texts that open a stored
// variant are kept whole, the others are not needed and are left out.
QStringList variantTexts(QByteArrayView value) {
    QStringList out;
    QString current;
    QStringDecoder utf8(QStringDecoder::Utf8);
    bool inQuotes = false;
    const qsizetype size = value.size();
    auto finish = [&] {
        if (current.startsWith(QLatin1String("@Variant("))) out.append(current);
        current.clear();
    };
    qsizetype i = 0;
    while (i < size && (value[i] == ' ' || value[i] == '\t')) ++i;
    while (i < size) {
        const char ch = value[i];
        if (ch == '\\') {
            if (++i >= size) break;
            const char e = value[i++];
            bool named = false;
            for (const auto& [letter, code] : kNamedEscapes) {
                if (e == letter) {
                    current += QChar(code);
                    named = true;
                    break;
                }
            }
            if (named) continue;
            switch (e) {
                case 'x': {
                    // Without a digit the escape stands for nothing.
                    if (i >= size || hexValue(value[i]) < 0) break;
                    char16_t code = 0;
                    while (i < size && hexValue(value[i]) >= 0) {
                        code = static_cast<char16_t>((code << 4) + hexValue(value[i++]));
                    }
                    current += QChar(code);
                    break;
                }
                default:
                    if (e >= '0' && e <= '7') {
                        char16_t code = static_cast<char16_t>(e - '0');
                        while (i < size && value[i] >= '0' && value[i] <= '7') {
                            code = static_cast<char16_t>((code << 3) + (value[i++] - '0'));
                        }
                        current += QChar(code);
                    } else if ((e == '\n' || e == '\r') && i < size &&
                               (value[i] == '\n' || value[i] == '\r') && value[i] != e) {
                        ++i;  // a line carried over
                    }
                    break;
            }
        } else if (ch == '"') {
            ++i;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                while (i < size && (value[i] == ' ' || value[i] == '\t')) ++i;
            }
        } else if (ch == ',' && !inQuotes) {
            finish();
            ++i;
            while (i < size && (value[i] == ' ' || value[i] == '\t')) ++i;
        } else {
            qsizetype j = i + 1;
            while (j < size && value[j] != '\\' && value[j] != '"' && value[j] != ',') ++j;
            current += utf8(value.sliced(i, j - i));
            i = j;
        }
    }
    finish();
    return out;
}

bool isSafeValue(QByteArrayView value) {
    if (value.size() > kMaxSettingsValueBytes) return false;
    for (const QString& text : variantTexts(value)) {
        if (!isSafeStoredVariant(text.sliced(9).toLatin1())) return false;
    }
    return true;
}

}  // namespace

bool isSafeStoredVariant(QByteArrayView bytes) {
    return VariantWalk(bytes).run();
}

QStringList dropUnsafeSettings(QByteArray& text) {
    QStringList dropped;
    std::vector<std::pair<qsizetype, qsizetype>> cuts;  // start, length
    QString section;
    qsizetype pos = 0;
    qsizetype start = 0;
    qsizetype length = 0;
    qsizetype equals = -1;
    const QByteArrayView data(text);
    while (nextLine(data, pos, start, length, equals)) {
        const QByteArrayView line = data.sliced(start, length);
        if (line.startsWith('[')) {
            const qsizetype close = line.indexOf(']');
            section = QString::fromUtf8(line.sliced(1, (close < 0 ? line.size() : close) - 1));
            if (section.compare(QLatin1String("general"), Qt::CaseInsensitive) == 0)
                section.clear();
            continue;
        }
        if (equals < 0) continue;
        const QByteArrayView value = data.sliced(equals + 1, start + length - equals - 1);
        if (isSafeValue(value)) continue;
        const QString key = QString::fromUtf8(data.sliced(start, equals - start)).trimmed();
        dropped.append(section.isEmpty() ? key : section + QLatin1Char('/') + key);
        cuts.emplace_back(start, length);
    }
    for (auto it = cuts.rbegin(); it != cuts.rend(); ++it) text.remove(it->first, it->second);
    return dropped;
}

}  // namespace aq
