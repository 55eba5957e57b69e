#pragma once

#include <QByteArray>
#include <QStringList>

namespace aq {

// A settings file (QSettings' INI text) is read back on every start and
// may have been damaged or edited by hand. QSettings decodes every value of a
// section the first time any key of it is read or written, and its decoding
// of a stored variant recurses once per level of nesting and reserves as many
// list entries as a stored count claims: a deeply nested or lying value ends
// the program before any caller sees it. This check walks the raw text as
// QSettings splits it, without recursion and without decoding, so that such
// values can be removed before QSettings ever reads them.

// The most a single stored value may take in the file; far beyond a name
// table of many thousand lamps.
inline constexpr qsizetype kMaxSettingsValueBytes = 4 * 1024 * 1024;
// The deepest a stored variant may nest lists and maps.
inline constexpr int kMaxSettingsValueDepth = 16;

// Removes from `text` every entry whose value is larger than
// kMaxSettingsValueBytes or holds a stored variant that is cut short, nests
// deeper than kMaxSettingsValueDepth, claims more entries than it holds or
// has a type this program would not read. Returns the keys removed, as
// QSettings names them ("key" in the general section, "section/key"
// elsewhere); the rest of the text is left byte for byte.
QStringList dropUnsafeSettings(QByteArray& text);

// Whether the bytes of one stored variant (QDataStream, Qt 4.0 format, as
// QSettings writes it after "@Variant(") are complete and within the limits.
bool isSafeStoredVariant(QByteArrayView bytes);

}  // namespace aq
