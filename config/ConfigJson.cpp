#include "config/ConfigJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "config/Settings.h"
#include "keymap/KeyAssignment.h"
#include "keymap/KeyRecordReconcile.h"
#include "keymap/KeyState.h"
#include "keys/KeyNameTable.h"
#include "macro/MacroEvent.h"

namespace vandrel::config {

namespace {

constexpr const char* kFormat = "vandrel-configuration";
constexpr int kFormatVersion = 1;

QString q(const std::string& s) { return QString::fromStdString(s); }
QString q16(const std::u16string& s) { return QString::fromStdU16String(s); }

// Lower-case hex; `trim` drops trailing zero bytes (read back as zeros).
QString toHex(const uint8_t* p, size_t n, bool trim) {
    if (trim)
        while (n > 0 && p[n - 1] == 0) --n;
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(p), static_cast<qsizetype>(n)).toHex());
}

// Fills `n` bytes from hex; a shorter text leaves zeros. False for bad hex or a
// text longer than the field.
bool fromHex(const QJsonValue& v, uint8_t* p, size_t n) {
    if (!v.isString()) return false;
    const QByteArray text = v.toString().toLatin1();
    if (text.size() % 2 != 0 || static_cast<size_t>(text.size()) / 2 > n) return false;
    for (char c : text)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    const QByteArray bytes = QByteArray::fromHex(text);
    std::fill(p, p + n, 0);
    std::copy(bytes.begin(), bytes.end(), p);
    return true;
}

// A key's display name without the blanks some names carry at their end
// (for the dialogs' layout), so that a hand-edited file needs none.
std::u16string keyName(uint8_t vk) {
    std::u16string name = keyNames().name(vk);
    while (!name.empty() && name.back() == u' ') name.pop_back();
    return name;
}

// The first virtual-key code with this display name, or 0.
uint8_t vkByName(const std::u16string& name) {
    if (name.empty()) return 0;
    for (int vk = 1; vk < 256; ++vk)
        if (keyName(static_cast<uint8_t>(vk)) == name) return static_cast<uint8_t>(vk);
    return 0;
}

// The display name of a HID usage: the first key whose usage it is.
std::u16string nameOfUsage(uint8_t usage) {
    for (int vk = 1; vk < 256; ++vk)
        if (keyNames().usage(static_cast<uint8_t>(vk)) == usage && !keyName(static_cast<uint8_t>(vk)).empty())
            return keyName(static_cast<uint8_t>(vk));
    char b[16];
    std::snprintf(b, sizeof b, "usage 0x%02X", usage);
    return utf8ToUtf16(b);
}

// The cells of the key matrix and the bits of the key mask that no key uses.
constexpr int kMatrixCells = static_cast<int>(kKeyMapBytes / 4);
struct SpareMatrix {
    bool cell[kMatrixCells];
    uint8_t mask[kKeyMaskBytes];
};
SpareMatrix spareMatrix() {
    SpareMatrix s;
    std::fill(std::begin(s.cell), std::end(s.cell), true);
    std::fill(std::begin(s.mask), std::end(s.mask), 0xFF);
    for (int slot = 0; slot < kPhysicalSlots; ++slot) {
        s.cell[slotCell(slot)] = false;
        s.mask[slotMaskByte(slot)] &= static_cast<uint8_t>(~slotMaskBit(slot));
    }
    return s;
}

// The rows of a macro as the macro manager lists them ("A dn", "120 ms",
// "A up"), with the key names trimmed.
std::vector<std::u16string> macroRows(const MacroRecord& r) {
    std::vector<std::u16string> rows;
    for (const MacroEvent& e : readEventLists(r.usageEvents, r.vkEvents)) {
        if (e.delayMs != kNoDelay) rows.push_back(delayRowText(e.delayMs));
        rows.push_back(keyName(e.vk) + (e.released ? u" up" : u" dn"));
    }
    return rows;
}

// A JSON number that is a whole number in [lo, hi]. Qt reads 3.7 or 1e10 as
// an int of 0, which would pass for a value nobody wrote.
bool wholeNumber(const QJsonValue& v, double lo, double hi, int& out) {
    if (!v.isDouble()) return false;
    const double d = v.toDouble();
    if (!(d >= lo && d <= hi) || std::trunc(d) != d) return false;  // NaN fails the first test
    out = static_cast<int>(d);
    return true;
}

std::string numberText(const QJsonValue& v) { return QString::number(v.toDouble()).toStdString(); }

// A failure while reading: where and why; and what a reader needs beyond its
// own unit.
struct ReadError {
    std::string text;
    // The unit's bytes were given in hex: a readable field left out or null
    // keeps the value they hold. Without them such a field is refused, never
    // read as 0.
    bool fromBytes = false;
    // The key records and macros read so far, which describe the keys; a
    // key whose `sends` was edited gets its record here. Null: no key's
    // `sends` may differ from its entry.
    Configuration* config = nullptr;
    bool set(const std::string& where, const std::string& why) {
        if (text.empty()) text = where + ": " + why;
        return false;
    }
    // Whether a readable field is absent or null; false with the error when
    // the bytes do not stand in for it.
    bool absent(const QJsonValue& v, const std::string& where, bool& ok) {
        ok = true;
        if (!v.isUndefined() && !v.isNull()) return false;
        if (!fromBytes) ok = set(where, v.isNull() ? "is null; give a value" : "is missing; give a value");
        return true;
    }
};

// ---- the image -------------------------------------------------------------

QJsonValue nameOr(const std::string& name) { return name.empty() ? QJsonValue() : QJsonValue(q(name)); }

QJsonObject imageToJson(const Configuration& c, const DeviceImage& im) {
    QJsonObject o;
    QJsonObject light;
    light[QStringLiteral("effect")] = nameOr(effectName(im.ledEffect));
    light[QStringLiteral("speed")] = im.ledSpeed <= 9 ? QJsonValue(im.ledSpeed) : QJsonValue();
    light[QStringLiteral("brightness")] = im.ledBrightness <= 50 ? QJsonValue(im.ledBrightness) : QJsonValue();
    light[QStringLiteral("colour")] = nameOr(colourName(im.ledColor));
    light[QStringLiteral("direction")] = nameOr(directionName(im.ledDirection));
    QJsonArray palette;
    for (const auto& rgb : im.ledPalette) palette.append(q(rgbText(rgb)));
    light[QStringLiteral("palette")] = palette;
    o[QStringLiteral("lighting")] = light;

    QJsonObject perf;
    perf[QStringLiteral("gameMode")] = im.gameMode <= 1 ? QJsonValue(q(onOff(im.gameMode))) : QJsonValue();
    perf[QStringLiteral("winLock")] = im.winLock <= 1 ? QJsonValue(q(onOff(im.winLock))) : QJsonValue();
    const int hz = reportRateHz(im.reportRate);
    perf[QStringLiteral("reportRateHz")] = hz ? QJsonValue(hz) : QJsonValue();
    perf[QStringLiteral("responseTimeMs")] =
        im.responseTime >= 1 && im.responseTime <= 10 ? QJsonValue(im.responseTime * 2) : QJsonValue();
    o[QStringLiteral("performance")] = perf;

    QJsonArray keys;
    for (int s = 0; s < kPhysicalSlots; ++s) {
        QJsonObject k;
        k[QStringLiteral("key")] = q(slotName(s));
        k[QStringLiteral("sends")] = q(describeKey(c, s));
        k[QStringLiteral("entry")] = toHex(im.deviceKeyMap + SlotCellOffset[s], 4, false);
        k[QStringLiteral("enabled")] = IsKeyEnabled(im, s);
        keys.append(k);
    }
    o[QStringLiteral("keys")] = keys;

    // Matrix cells and mask bits that belong to no key: the keyboard keeps
    // them, so they travel too.
    const SpareMatrix spare = spareMatrix();
    QJsonObject cells;
    for (int cell = 0; cell < kMatrixCells; ++cell) {
        const uint8_t* e = im.deviceKeyMap + 4 * cell;
        if (!spare.cell[cell] || !(e[0] | e[1] | e[2] | e[3])) continue;
        cells[QString::number(cell)] = toHex(e, 4, false);
    }
    uint8_t maskBits[kKeyMaskBytes];
    for (size_t i = 0; i < kKeyMaskBytes; ++i) maskBits[i] = im.keyMask[i] & spare.mask[i];
    QJsonObject other;
    other[QStringLiteral("keyMapCells")] = cells;
    other[QStringLiteral("keyMaskBits")] = toHex(maskBits, kKeyMaskBytes, false);
    o[QStringLiteral("matrixSpare")] = other;

    QJsonArray slotList;
    for (const auto& slot : im.macroSlots) slotList.append(toHex(slot, kMacroSlotBytes, true));
    o[QStringLiteral("macroSlots")] = slotList;

    QJsonArray maps;
    for (const auto& map : im.diyMaps) {
        QJsonObject m;
        for (int s = 0; s < kPhysicalSlots; ++s) {
            const uint8_t* cell = map + SlotCellOffset[s];
            if (cell[0] | cell[1] | cell[2] | cell[3]) m[q(slotName(s)) + QStringLiteral("#") + QString::number(s)] =
                q(rgbText(cell + 1));
        }
        maps.append(m);
    }
    o[QStringLiteral("diyMaps")] = maps;
    return o;
}

template <typename Parse>
bool applyName(const QJsonObject& o, const char* key, uint8_t& field, Parse parse, ReadError& err,
               const std::string& where) {
    const QJsonValue v = o.value(QLatin1String(key));
    bool ok = true;
    if (err.absent(v, where + "." + key, ok)) return ok;
    uint8_t b = 0;
    std::string text = v.toString().toStdString();
    if (v.isDouble()) {
        // Numbers are read only when whole; the parser then checks the range.
        int n = 0;
        if (!wholeNumber(v, -1e6, 1e6, n))
            return err.set(where + "." + key, "'" + numberText(v) + "' is not a whole number in range");
        text = std::to_string(n);
    }
    if (!parse(text, b)) return err.set(where + "." + key, "'" + text + "' is not a valid value");
    field = b;
    return true;
}

bool parseSpeed(const std::string& t, uint8_t& b) {
    if (t.empty() || t.size() > 1 || t[0] < '0' || t[0] > '9') return false;
    b = static_cast<uint8_t>(t[0] - '0');
    return true;
}
bool parseBrightness(const std::string& t, uint8_t& b) {
    if (t.empty() || t.size() > 2 || t.find_first_not_of("0123456789") != std::string::npos) return false;
    const int n = std::stoi(t);
    b = static_cast<uint8_t>(n);
    return n <= 50;
}

bool applyLighting(const QJsonValue& value, DeviceImage& im, ReadError& err) {
    if (!value.isObject()) return err.set("lighting", "not an object");
    const QJsonObject o = value.toObject();
    const std::string w = "lighting";
    if (!applyName(o, "effect", im.ledEffect, parseEffect, err, w) ||
        !applyName(o, "speed", im.ledSpeed, parseSpeed, err, w) ||
        !applyName(o, "brightness", im.ledBrightness, parseBrightness, err, w) ||
        !applyName(o, "colour", im.ledColor, parseColour, err, w) ||
        !applyName(o, "direction", im.ledDirection, parseDirection, err, w))
        return false;
    const QJsonValue palette = o.value(QLatin1String("palette"));
    bool ok = true;
    if (err.absent(palette, "lighting.palette", ok)) return ok;
    const QJsonArray a = palette.toArray();
    if (!palette.isArray() || a.size() != static_cast<qsizetype>(kPaletteEntries))
        return err.set("lighting.palette", "needs 7 colours");
    for (size_t i = 0; i < kPaletteEntries; ++i)
        if (!parseRgb(a[static_cast<qsizetype>(i)].toString().toStdString(), im.ledPalette[i]))
            return err.set("lighting.palette", "'" + a[static_cast<qsizetype>(i)].toString().toStdString() +
                                                   "' is not a colour #RRGGBB");
    return true;
}

bool applyPerformance(const QJsonValue& value, DeviceImage& im, ReadError& err) {
    if (!value.isObject()) return err.set("performance", "not an object");
    const QJsonObject o = value.toObject();
    const std::string w = "performance";
    return applyName(o, "gameMode", im.gameMode, parseOnOff, err, w) &&
           applyName(o, "winLock", im.winLock, parseOnOff, err, w) &&
           applyName(o, "reportRateHz", im.reportRate, parseReportRate, err, w) &&
           applyName(o, "responseTimeMs", im.responseTime, parseResponseMs, err, w);
}

// What the key's device entry in `im` sends, whatever its enable bit says;
// the key records and macros of `c` name what the entry alone cannot.
std::string describeEntry(const Configuration& c, const DeviceImage& im, int slot, const TextLookup& functionNames) {
    const uint8_t* e = im.deviceKeyMap + SlotCellOffset[slot];
    const KeyRecord& r = c.records[slot];
    // The function tree's names are translated in the key-map dialog's context.
    const auto label = [&functionNames](const NamedFunction& f) {
        return lookUpText(functionNames, "vandrel::KeyMapDialogModel", utf16ToUtf8(f.label).c_str());
    };
    for (const NamedFunction& f : kNamedFunctions)
        if (r.type == static_cast<uint8_t>(AssignType::NamedFunction) && std::equal(e, e + 4, f.entry.begin()))
            return label(f);
    char b[64];
    switch (e[0]) {
    case kEntryKeys: {
        std::string s;
        for (int i = 1; i < 4; ++i)
            if (e[i]) s += (s.empty() ? "" : " + ") + utf16ToUtf8(nameOfUsage(e[i]));
        return s.empty() ? "nothing" : s;
    }
    case kEntryFn: return "Fn";
    case kEntryConsumer:
        for (const NamedFunction& f : kNamedFunctions)
            if (std::equal(e, e + 4, f.entry.begin())) return label(f);
        std::snprintf(b, sizeof b, "media 0x%02X%02X", e[3], e[2]);
        return b;
    case kEntryMacro: {
        std::string s = "macro " + std::to_string(e[2]);
        if (e[2] < kMacroRecords && recordInUse(c.macros[e[2]])) s += " (" + utf16ToUtf8(recordName(c.macros[e[2]])) + ")";
        return s;
    }
    case kEntryLaunch: return "launch " + utf16ToUtf8(readUtf16Field(r.path, kKeyRecordPathUnits));
    default:
        std::snprintf(b, sizeof b, "entry %02X %02X %02X %02X", e[0], e[1], e[2], e[3]);
        return b;
    }
}

// What a key's `sends` text stands for: an assignment as the key-map dialog
// makes it (its record follows), or an entry no assignment makes (its record
// then claims nothing).
struct SendsMeaning {
    bool assign = false;
    AssignmentRequest request;
    uint8_t raw[4] = {};
};

constexpr const char* kSendsForms =
    "a key name, up to three joined by \" + \", a function of the key dialog, \"macro N\", \"launch PATH\", "
    "\"Fn\", \"media 0xHHHH\", \"nothing\" or \"entry XX XX XX XX\"";

bool parseSends(const std::string& text, int slot, const KeyRecord& record, SendsMeaning& out, std::string& why) {
    const QString t = QString::fromStdString(text);
    QRegularExpressionMatch m;
    out.request.slot = static_cast<uint8_t>(slot);
    if (text == "nothing") return true;
    if (text == "Fn") {
        out.raw[0] = kEntryFn;
        return true;
    }
    static const QRegularExpression entryForm(
        QStringLiteral("^entry ([0-9A-Fa-f]{2}) ([0-9A-Fa-f]{2}) ([0-9A-Fa-f]{2}) ([0-9A-Fa-f]{2})$"));
    if ((m = entryForm.match(t)).hasMatch()) {
        for (int i = 0; i < 4; ++i) out.raw[i] = static_cast<uint8_t>(m.captured(i + 1).toUInt(nullptr, 16));
        return true;
    }
    static const QRegularExpression mediaForm(QStringLiteral("^media 0x([0-9A-Fa-f]{2})([0-9A-Fa-f]{2})$"));
    if ((m = mediaForm.match(t)).hasMatch()) {
        out.raw[0] = kEntryConsumer;
        out.raw[2] = static_cast<uint8_t>(m.captured(2).toUInt(nullptr, 16));
        out.raw[3] = static_cast<uint8_t>(m.captured(1).toUInt(nullptr, 16));
        return true;
    }
    static const QRegularExpression macroForm(QStringLiteral("^macro ([0-9]{1,3})( \\(.*\\))?$"));
    if ((m = macroForm.match(t)).hasMatch()) {
        const int index = m.captured(1).toInt();
        if (index >= static_cast<int>(kMacroSlotCount)) {
            why = "the keyboard holds macros 0..31";
            return false;
        }
        out.assign = true;
        out.request.assignType = static_cast<uint8_t>(AssignType::MacroKey);
        out.request.macroIndex = index;
        return true;
    }
    if (t.startsWith(QLatin1String("launch ")) && t.size() > 7) {
        out.assign = true;
        // A launch key keeps the kind of launch its record gives (program,
        // document, folder); any other key becomes a program launch.
        out.request.assignType =
            isLaunchType(record.type) ? record.type : static_cast<uint8_t>(AssignType::LaunchProgram);
        out.request.launchPath = t.mid(7).toStdU16String();
        return true;
    }
    if (FindNamedFunction(t.toStdU16String())) {
        out.assign = true;
        out.request.assignType = static_cast<uint8_t>(AssignType::NamedFunction);
        out.request.functionName = t.toStdU16String();
        return true;
    }
    const QStringList names = t.split(QStringLiteral(" + "));
    if (names.size() > 3) {
        why = "at most three keys are pressed together";
        return false;
    }
    for (qsizetype i = 0; i < names.size(); ++i) {
        const uint8_t vk = vkByName(names[i].toStdU16String());
        if (!vk) return false;
        out.request.codes[static_cast<size_t>(i)] = vk;
    }
    out.assign = true;
    out.request.codeCount = static_cast<uint32_t>(names.size());
    out.request.assignType =
        static_cast<uint8_t>(names.size() == 1 ? AssignType::SingleKey : AssignType::KeyCombination);
    return true;
}

// Gives key `slot` what `sends` says, and its record with it.
bool assignFromSends(const std::string& sends, int slot, DeviceImage& im, Configuration& config, ReadError& err,
                     const std::string& where) {
    KeyRecord& record = config.records[slot];
    uint8_t* e = im.deviceKeyMap + SlotCellOffset[slot];
    SendsMeaning meaning;
    std::string why;
    if (!parseSends(sends, slot, record, meaning, why))
        return err.set(where + ".sends", "'" + sends + "' is not something a key sends" +
                                             (why.empty() ? " (" + std::string(kSendsForms) + ")" : ": " + why));
    if (!meaning.assign) {
        std::copy(meaning.raw, meaning.raw + 4, e);
        record.type = 0;
        record.length = 0;
        std::fill(std::begin(record.data), std::end(record.data), 0);
        return true;
    }
    // A launch key's path lives in its record: when the record names another
    // path, either may have been edited, and neither is taken over the other.
    const std::u16string recordPath = readUtf16Field(record.path, kKeyRecordPathUnits);
    if (isLaunchType(meaning.request.assignType) && e[0] == kEntryLaunch && isLaunchType(record.type) &&
        recordPath != meaning.request.launchPath)
        return err.set(where + ".sends", "says '" + sends + "', but the key's record (keyRecords) launches '" +
                                             utf16ToUtf8(recordPath) + "'; make the two agree");
    ReassignedFlags flags;
    flags.clear();
    if (AssignKey(meaning.request, im, config.records, flags, {}) == AssignChange::PathTooLong)
        return err.set(where + ".sends", "the launch path is longer than " + std::to_string(kMaxLaunchPathChars) +
                                             " characters");
    return true;
}

// One key of "keys": its entry in hex and what it sends, which must agree or
// else `sends` decides; and whether it is enabled.
bool applyKey(const QJsonObject& k, int slot, DeviceImage& im, ReadError& err, const std::string& where) {
    uint8_t* e = im.deviceKeyMap + SlotCellOffset[slot];
    bool ok = true;
    bool enabled = IsKeyEnabled(im, slot);
    const QJsonValue enabledValue = k.value(QLatin1String("enabled"));
    if (err.absent(enabledValue, where + ".enabled", ok)) {
        if (!ok) return false;
    } else if (enabledValue.isBool()) {
        enabled = enabledValue.toBool();
    } else {
        return err.set(where + ".enabled", "needs true or false");
    }
    // Without the image's bytes the key has an entry only when one is given.
    bool haveEntry = err.fromBytes;
    const QJsonValue entry = k.value(QLatin1String("entry"));
    if (!entry.isUndefined() && !entry.isNull()) {
        if (entry.toString().size() != 8 || !fromHex(entry, e, 4)) return err.set(where + ".entry", "needs 4 bytes in hex");
        haveEntry = true;
    }
    const QJsonValue sendsValue = k.value(QLatin1String("sends"));
    if (sendsValue.isUndefined() || sendsValue.isNull()) {
        if (!haveEntry) return err.set(where + ".entry", "is missing; give \"sends\" or \"entry\"");
    } else {
        if (!sendsValue.isString()) return err.set(where + ".sends", "needs a text");
        const std::string sends = sendsValue.toString().toStdString();
        const bool agrees = haveEntry && err.config &&
                            (sends == "disabled" ? !enabled : describeEntry(*err.config, im, slot, {}) == sends);
        if (!agrees) {
            if (sends == "disabled")
                return err.set(where + ".sends", enabled ? "\"disabled\" needs \"enabled\": false"
                                                         : "\"disabled\" does not say what the key sends; give its \"entry\"");
            if (!enabled)
                return err.set(where + ".sends", "the key is disabled (\"enabled\": false); enable it to have it send '" +
                                                     sends + "'");
            if (!err.config) return err.set(where + ".sends", "differs from the entry");
            if (!assignFromSends(sends, slot, im, *err.config, err, where)) return false;
        }
    }
    SetKeyEnabled(im, slot, enabled);
    return true;
}

bool applyKeys(const QJsonValue& value, DeviceImage& im, ReadError& err) {
    const QJsonArray a = value.toArray();
    if (!value.isArray() || a.size() != kPhysicalSlots) return err.set("keys", "needs one entry per key (108)");
    for (int s = 0; s < kPhysicalSlots; ++s) {
        const std::string where = "keys[" + std::to_string(s) + "]";
        if (!a[s].isObject()) return err.set(where, "needs an object with \"sends\", \"entry\" and \"enabled\"");
        if (!applyKey(a[s].toObject(), s, im, err, where)) return false;
    }
    return true;
}

bool applyMatrixSpare(const QJsonValue& value, DeviceImage& im, ReadError& err) {
    const QJsonObject o = value.toObject();
    const SpareMatrix spare = spareMatrix();
    const QJsonValue cellsValue = o.value(QLatin1String("keyMapCells"));
    if (!cellsValue.isObject())
        return err.set("matrixSpare.keyMapCells", "needs an object of cells (\"{}\" for none)");
    const QJsonObject cells = cellsValue.toObject();
    for (int cell = 0; cell < kMatrixCells; ++cell)
        if (spare.cell[cell]) std::fill_n(im.deviceKeyMap + 4 * cell, 4, 0);
    for (auto it = cells.begin(); it != cells.end(); ++it) {
        bool ok = false;
        const int cell = it.key().toInt(&ok);
        if (!ok || cell < 0 || cell >= kMatrixCells || !spare.cell[cell] || it.value().toString().size() != 8 ||
            !fromHex(it.value(), im.deviceKeyMap + 4 * cell, 4))
            return err.set("matrixSpare.keyMapCells." + it.key().toStdString(), "needs a spare cell and 4 bytes in hex");
    }
    uint8_t bits[kKeyMaskBytes];
    const QJsonValue mask = o.value(QLatin1String("keyMaskBits"));
    if (!fromHex(mask, bits, kKeyMaskBytes)) return err.set("matrixSpare.keyMaskBits", "needs 21 bytes in hex");
    for (size_t i = 0; i < kKeyMaskBytes; ++i)
        im.keyMask[i] = static_cast<uint8_t>((im.keyMask[i] & ~spare.mask[i]) | (bits[i] & spare.mask[i]));
    return true;
}

bool applyMacroSlots(const QJsonValue& value, DeviceImage& im, ReadError& err) {
    const QJsonArray a = value.toArray();
    if (!value.isArray() || a.size() != static_cast<qsizetype>(kMacroSlotCount))
        return err.set("macroSlots", "needs 32 slots");
    for (size_t i = 0; i < kMacroSlotCount; ++i)
        if (!fromHex(a[static_cast<qsizetype>(i)], im.macroSlots[i], kMacroSlotBytes))
            return err.set("macroSlots[" + std::to_string(i) + "]", "needs at most 192 bytes in hex");
    return true;
}

bool applyDiyMaps(const QJsonValue& value, DeviceImage& im, ReadError& err) {
    const QJsonArray a = value.toArray();
    if (!value.isArray() || a.size() != static_cast<qsizetype>(kDiyMapCount))
        return err.set("diyMaps", "needs 5 maps");
    for (size_t m = 0; m < kDiyMapCount; ++m) {
        if (!a[static_cast<qsizetype>(m)].isObject())
            return err.set("diyMaps[" + std::to_string(m) + "]", "needs an object of colours (\"{}\" for none)");
        const QJsonObject map = a[static_cast<qsizetype>(m)].toObject();
        for (int s = 0; s < kPhysicalSlots; ++s) std::fill_n(im.diyMaps[m] + SlotCellOffset[s], 4, 0);
        for (auto it = map.begin(); it != map.end(); ++it) {
            // "<key>#<slot>": the slot decides, the name is for reading.
            const QString key = it.key();
            bool ok = false;
            const int s = key.mid(key.lastIndexOf(QLatin1Char('#')) + 1).toInt(&ok);
            uint8_t* cell = ok && s >= 0 && s < kPhysicalSlots ? im.diyMaps[m] + SlotCellOffset[s] : nullptr;
            if (!cell || !parseRgb(it.value().toString().toStdString(), cell + 1))
                return err.set("diyMaps[" + std::to_string(m) + "]." + key.toStdString(),
                               "needs \"<key>#<slot>\": \"#RRGGBB\"");
        }
    }
    return true;
}

using SectionReader = bool (*)(const QJsonValue&, DeviceImage&, ReadError&);
struct Section {
    const char* key;
    SectionReader read;
};
constexpr Section kImageSections[] = {
    {"lighting", applyLighting}, {"performance", applyPerformance}, {"keys", applyKeys},
    {"macroSlots", applyMacroSlots}, {"diyMaps", applyDiyMaps}, {"matrixSpare", applyMatrixSpare},
};

// ---- key records -----------------------------------------------------------

KeyRecord emptyRecord(int slot) {
    KeyRecord r;
    std::memset(&r, 0, sizeof r);
    if (slot < kPhysicalSlots) r.homeVk = SlotHomeVk[slot];
    return r;
}

bool isCodeType(uint8_t type) { return type <= static_cast<uint8_t>(AssignType::KeyCombination); }

QJsonObject recordToJson(const KeyRecord& r, int slot) {
    QJsonObject o;
    o[QStringLiteral("slot")] = slot;
    if (slot < kPhysicalSlots) o[QStringLiteral("key")] = q(slotName(slot));
    o[QStringLiteral("type")] = r.type;
    if (isCodeType(r.type)) {
        QJsonArray codes;
        for (size_t i = 0; i < r.length && i < sizeof r.data; ++i) codes.append(q16(keyName(r.data[i])));
        o[QStringLiteral("codes")] = codes;
    } else {
        o[QStringLiteral("data")] = toHex(r.data, sizeof r.data, true);
    }
    o[QStringLiteral("path")] = q16(readUtf16Field(r.path, kKeyRecordPathUnits));
    return o;
}

bool applyRecordField(const QString& key, const QJsonValue& v, KeyRecord& r, ReadError& err,
                      const std::string& where) {
    if (key == QLatin1String("type")) {
        int type = 0;
        if (!wholeNumber(v, 0, 255, type)) return err.set(where + ".type", "needs a whole number 0..255");
        r.type = static_cast<uint8_t>(type);
    } else if (key == QLatin1String("codes")) {
        const QJsonArray a = v.toArray();
        if (!v.isArray() || a.size() > static_cast<qsizetype>(sizeof r.data))
            return err.set(where + ".codes", "needs a list of key names");
        std::fill(std::begin(r.data), std::end(r.data), 0);
        for (qsizetype i = 0; i < a.size(); ++i) {
            const uint8_t vk = vkByName(a[i].toString().toStdU16String());
            if (!vk) return err.set(where + ".codes", "unknown key '" + a[i].toString().toStdString() + "'");
            r.data[i] = vk;
        }
        r.length = static_cast<uint8_t>(a.size());
    } else if (key == QLatin1String("data")) {
        if (!fromHex(v, r.data, sizeof r.data)) return err.set(where + ".data", "needs at most 255 bytes in hex");
    } else if (key == QLatin1String("path")) {
        if (!v.isString() || !writeUtf16Field(r.path, kKeyRecordPathUnits, v.toString().toStdU16String()))
            return err.set(where + ".path", "needs a text of at most 255 characters");
    }
    return true;
}

// ---- macros ----------------------------------------------------------------

QJsonObject macroToJson(const MacroRecord& r, size_t index) {
    QJsonObject o;
    o[QStringLiteral("index")] = static_cast<int>(index);
    o[QStringLiteral("name")] = q16(recordName(r));
    o[QStringLiteral("loop")] = recordLoopCount(r);
    o[QStringLiteral("flags")] = r.macroFlags;
    QJsonArray rows;
    for (const std::u16string& row : macroRows(r)) rows.append(q16(row));
    o[QStringLiteral("events")] = rows;
    return o;
}

bool parseEvents(const QJsonArray& rows, MacroRecord& r, ReadError& err, const std::string& where) {
    std::vector<MacroEvent> events;
    uint16_t delay = kNoDelay;
    for (const QJsonValue& v : rows) {
        const std::u16string row = v.toString().toStdU16String();
        const std::string text = v.toString().toStdString();
        if (isDelayRowText(row)) {
            // "<n> ms" with n a whole number of milliseconds, nothing else.
            const size_t digits = text.find_first_not_of("0123456789");
            const bool plain = digits > 0 && digits <= 5 && text.compare(digits, std::string::npos, " ms") == 0;
            const int ms = plain ? std::atoi(text.c_str()) : 0;
            if (ms < 1 || ms > kMaxDelayMs) return err.set(where, "'" + text + "' is not a delay of 1..60000 ms");
            delay = static_cast<uint16_t>(ms);
            continue;
        }
        const bool up = text.size() > 3 && text.compare(text.size() - 3, 3, " up") == 0;
        const bool down = text.size() > 3 && text.compare(text.size() - 3, 3, " dn") == 0;
        std::u16string name = (up || down) ? row.substr(0, row.size() - 3) : std::u16string();
        while (!name.empty() && name.back() == u' ') name.pop_back();
        const uint8_t vk = vkByName(name);
        if (!vk) return err.set(where, "'" + text + "' is neither \"<key> dn\", \"<key> up\" nor \"<n> ms\"");
        MacroEvent e;
        e.released = up;
        e.delayMs = delay;
        e.vk = vk;
        e.usage = keyNames().usage(vk);
        events.push_back(e);
        delay = kNoDelay;
    }
    if (!writeEventLists(events, r.usageEvents, r.vkEvents)) return err.set(where, "the events need more than 190 bytes");
    return true;
}

bool applyMacroField(const QString& key, const QJsonValue& v, MacroRecord& r, ReadError& err,
                     const std::string& where) {
    if (key == QLatin1String("name")) {
        if (!v.isString() || v.toString().isEmpty() || !setRecordName(r, v.toString().toStdU16String()))
            return err.set(where + ".name", "needs a name of 1 to 254 characters");
    } else if (key == QLatin1String("loop")) {
        int loop = 0;
        if (!wholeNumber(v, 0, 65535, loop)) return err.set(where + ".loop", "needs a whole number 0..65535");
        setRecordLoopCount(r, static_cast<uint16_t>(loop));
    } else if (key == QLatin1String("flags")) {
        int flags = 0;
        if (!wholeNumber(v, 0, 255, flags)) return err.set(where + ".flags", "needs a whole number 0..255");
        r.macroFlags = static_cast<uint8_t>(flags);
    } else if (key == QLatin1String("events")) {
        if (!v.isArray()) return err.set(where + ".events", "needs a list of rows");
        return parseEvents(v.toArray(), r, err, where + ".events");
    }
    return true;
}

// ---- readable fields over exact bytes ---------------------------------------

// Export: the readable object, plus the unit's bytes in hex when reading the
// object back onto an empty unit would not give them.
template <typename Unit, typename ToJson, typename Apply>
QJsonObject withBytesWhenNeeded(const Unit& unit, const Unit& empty, ToJson toJson, Apply apply, const char* bytesKey) {
    QJsonObject o = toJson(unit);
    Unit back = empty;
    ReadError ignored;
    if (!apply(o, back, ignored) || std::memcmp(&back, &unit, sizeof(Unit)) != 0)
        o[QLatin1String(bytesKey)] = toHex(reinterpret_cast<const uint8_t*>(&unit), sizeof(Unit), false);
    return o;
}

// Import: starts from the unit's bytes when given; a readable field is applied
// when it differs from what those bytes read as (it was edited), or always
// when there are no bytes.
template <typename Unit, typename ToJson, typename ApplyField>
bool readUnit(const QJsonObject& o, Unit& unit, const Unit& empty, ToJson toJson, ApplyField applyField,
              const char* bytesKey, ReadError& err, const std::string& where) {
    unit = empty;
    QJsonObject view;
    const QJsonValue bytes = o.value(QLatin1String(bytesKey));
    err.fromBytes = !bytes.isUndefined();
    if (!bytes.isUndefined()) {
        if (!fromHex(bytes, reinterpret_cast<uint8_t*>(&unit), sizeof(Unit)) ||
            static_cast<size_t>(bytes.toString().size()) != 2 * sizeof(Unit))
            return err.set(where + "." + bytesKey, "needs " + std::to_string(sizeof(Unit)) + " bytes in hex");
        view = toJson(unit);
    }
    for (auto it = o.begin(); it != o.end(); ++it) {
        if (it.key() == QLatin1String(bytesKey)) continue;
        if (!bytes.isUndefined() && view.value(it.key()) == it.value()) continue;
        if (!applyField(it.key(), it.value(), unit, err, where)) return false;
    }
    return true;
}

bool applyImageField(const QString& key, const QJsonValue& v, DeviceImage& im, ReadError& err, const std::string&) {
    for (const Section& s : kImageSections)
        if (key == QLatin1String(s.key)) return s.read(v, im, err);
    return true;
}

bool applyImageObject(const QJsonObject& o, DeviceImage& im, ReadError& err) {
    for (auto it = o.begin(); it != o.end(); ++it)
        if (!applyImageField(it.key(), it.value(), im, err, "")) return false;
    return true;
}

}  // namespace

bool isConfigurationJson(const std::string& text) {
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(text));
    return doc.isObject() && doc.object().value(QLatin1String("format")).toString() == QLatin1String(kFormat);
}

std::string jsonPathOf(Setting setting) {
    switch (setting) {
    case Setting::Effect: return "lighting.effect";
    case Setting::Speed: return "lighting.speed";
    case Setting::Brightness: return "lighting.brightness";
    case Setting::Colour: return "lighting.colour";
    case Setting::Direction: return "lighting.direction";
    case Setting::GameMode: return "performance.gameMode";
    case Setting::WinLock: return "performance.winLock";
    case Setting::ReportRate: return "performance.reportRateHz";
    case Setting::ResponseTime: return "performance.responseTimeMs";
    }
    return {};
}

std::string slotName(int slot) {
    if (slot < 0 || slot >= kPhysicalSlots) return "slot " + std::to_string(slot);
    const std::u16string name = keyName(SlotHomeVk[slot]);
    return name.empty() ? "key " + std::to_string(slot) : utf16ToUtf8(name);
}

std::string describeKey(const Configuration& c, int slot, const TextLookup& functionNames) {
    if (!IsKeyEnabled(c.image, slot)) return "disabled";
    return describeEntry(c, c.image, slot, functionNames);
}

std::string describeMacro(const MacroRecord& record) {
    std::string s;
    for (const std::u16string& row : macroRows(record))
        s += (s.empty() ? "" : ", ") + utf16ToUtf8(row);
    return s.empty() ? "(no events)" : s;
}

std::string configurationToJson(const Configuration& configuration) {
    // A key record that claims an assignment its key does not have describes
    // nothing the keyboard does: it is written emptied, as the program empties
    // it, so that every record of the JSON describes its key.
    auto shown = std::make_unique<Configuration>(configuration);
    ReconcileKeyRecords(shown->image, shown->records);
    const Configuration& c = *shown;
    QJsonObject root;
    root[QStringLiteral("format")] = QLatin1String(kFormat);
    root[QStringLiteral("version")] = kFormatVersion;
    root[QStringLiteral("firmware")] = QStringLiteral("%1.%2").arg(c.firmware.major).arg(c.firmware.minor);

    DeviceImage emptyImage;
    emptyImage.clear();
    const QJsonObject image = withBytesWhenNeeded(
        c.image, emptyImage, [&c](const DeviceImage& im) { return imageToJson(c, im); },
        [&c](const QJsonObject& o, DeviceImage& im, ReadError& err) {
            auto scratch = std::make_unique<Configuration>(c);
            err.config = scratch.get();
            return applyImageObject(o, im, err);
        },
        "imageBytes");
    for (auto it = image.begin(); it != image.end(); ++it) root[it.key()] = it.value();

    QJsonArray records;
    for (int s = 0; s < kRecordSlots; ++s) {
        const KeyRecord empty = emptyRecord(s);
        if (std::memcmp(&c.records[s], &empty, sizeof empty) == 0) continue;
        records.append(withBytesWhenNeeded(
            c.records[s], empty, [s](const KeyRecord& r) { return recordToJson(r, s); },
            [](const QJsonObject& o, KeyRecord& r, ReadError& err) {
                for (auto it = o.begin(); it != o.end(); ++it)
                    if (!applyRecordField(it.key(), it.value(), r, err, "")) return false;
                return true;
            },
            "bytes"));
    }
    root[QStringLiteral("keyRecords")] = records;

    QJsonArray macros;
    MacroRecord emptyMacro;
    std::memset(&emptyMacro, 0, sizeof emptyMacro);
    for (size_t i = 0; i < kMacroRecords; ++i) {
        if (std::memcmp(&c.macros[i], &emptyMacro, sizeof emptyMacro) == 0) continue;
        macros.append(withBytesWhenNeeded(
            c.macros[i], emptyMacro, [i](const MacroRecord& r) { return macroToJson(r, i); },
            [](const QJsonObject& o, MacroRecord& r, ReadError& err) {
                for (auto it = o.begin(); it != o.end(); ++it)
                    if (!applyMacroField(it.key(), it.value(), r, err, "")) return false;
                return true;
            },
            "bytes"));
    }
    root[QStringLiteral("macros")] = macros;
    return QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}

bool configurationFromJson(const std::string& text, Configuration& config, std::string& error) {
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(text), &parseError);
    if (doc.isNull()) {
        error = "not JSON (" + parseError.errorString().toStdString() + " at byte " +
                std::to_string(parseError.offset) + ")";
        return false;
    }
    const QJsonObject root = doc.object();
    if (root.value(QLatin1String("format")).toString() != QLatin1String(kFormat)) {
        error = "not a Vandrel configuration (\"format\" is not \"" + std::string(kFormat) + "\")";
        return false;
    }
    if (root.value(QLatin1String("version")).toInt() != kFormatVersion) {
        error = "written by another version of the format";
        return false;
    }
    ReadError err;
    Configuration c;

    // Left out, a list would empty keymap.bin's records or the macro store.
    for (const char* list : {"keyRecords", "macros"})
        if (!root.value(QLatin1String(list)).isArray()) {
            error = std::string(list) + ": needs a list (\"[]\" for none)";
            return false;
        }
    // Fields every record and macro carries; without its bytes, one left out
    // would be read as 0.
    const auto missingField = [&error](const QJsonObject& o, std::initializer_list<const char*> fields,
                                       const std::string& where) {
        if (o.contains(QLatin1String("bytes"))) return false;
        for (const char* f : fields)
            if (!o.contains(QLatin1String(f))) {
                error = where + "." + f + ": is missing; give a value";
                return true;
            }
        return false;
    };

    c.records.clear();
    c.records.restoreHomeCodes();
    const QJsonArray records = root.value(QLatin1String("keyRecords")).toArray();
    std::vector<std::pair<int, int>> listedRecords;  // slot, place in the list
    for (qsizetype i = 0; i < records.size(); ++i) {
        const QJsonObject o = records[i].toObject();
        int s = -1;
        const std::string where = "keyRecords[" + std::to_string(i) + "]";
        if (!wholeNumber(o.value(QLatin1String("slot")), 0, kRecordSlots - 1, s)) {
            error = where + ".slot: needs 0..254";
            return false;
        }
        if (missingField(o, {"type", "path"}, where)) return false;
        if (!o.contains(QLatin1String("bytes")) && !o.contains(QLatin1String("codes")) &&
            !o.contains(QLatin1String("data"))) {
            error = where + ".codes: is missing; give the key codes (or \"data\")";
            return false;
        }
        listedRecords.emplace_back(s, static_cast<int>(i));
        if (!readUnit(o, c.records[s], emptyRecord(s), [s](const KeyRecord& r) { return recordToJson(r, s); },
                      applyRecordField, "bytes", err, where)) {
            error = err.text;
            return false;
        }
    }

    c.macros.clear();
    MacroRecord emptyMacro;
    std::memset(&emptyMacro, 0, sizeof emptyMacro);
    const QJsonArray macros = root.value(QLatin1String("macros")).toArray();
    for (qsizetype i = 0; i < macros.size(); ++i) {
        const QJsonObject o = macros[i].toObject();
        int index = -1;
        const std::string where = "macros[" + std::to_string(i) + "]";
        if (!wholeNumber(o.value(QLatin1String("index")), 0, static_cast<double>(kMacroRecords) - 1, index)) {
            error = where + ".index: needs 0..189";
            return false;
        }
        const size_t n = static_cast<size_t>(index);
        if (missingField(o, {"name", "loop", "flags", "events"}, where)) return false;
        if (!readUnit(o, c.macros[n], emptyMacro, [n](const MacroRecord& r) { return macroToJson(r, n); },
                      applyMacroField, "bytes", err, where)) {
            error = err.text;
            return false;
        }
    }
    // The image last: the keys' descriptions name macros and launch paths.
    // The image: its sections from the root.
    QJsonObject image;
    for (const Section& s : kImageSections) {
        const QJsonValue v = root.value(QLatin1String(s.key));
        if (v.isUndefined()) {
            error = std::string("\"") + s.key + "\" is missing";
            return false;
        }
        image[QLatin1String(s.key)] = v;
    }
    if (root.contains(QLatin1String("imageBytes"))) image[QStringLiteral("imageBytes")] = root.value(QLatin1String("imageBytes"));
    DeviceImage emptyImage;
    emptyImage.clear();
    err.config = &c;
    if (!readUnit(image, c.image, emptyImage, [&c](const DeviceImage& im) { return imageToJson(c, im); },
                  applyImageField, "imageBytes", err, "image")) {
        error = err.text;
        return false;
    }
    // A record says how its key was given what it sends. One that says
    // something else was edited on its own: what the key sends is its `sends`.
    for (const auto& [slot, place] : listedRecords) {
        const KeyRecord& r = c.records[slot];
        if (KeyRecordAgrees(r, slot, c.image)) continue;
        const std::string key = "keys[" + std::to_string(slot) + "]";
        error = "keyRecords[" + std::to_string(place) + "]." + (isCodeType(r.type) ? "codes" : "type") +
                ": the record of " + slotName(slot) + " does not describe what the key sends ('" +
                describeEntry(c, c.image, slot, {}) + "'); change " + key + ".sends instead (its record follows)";
        return false;
    }
    // The firmware version is only informative: one that does not read as
    // "major.minor" is left at 0.0 rather than refused.
    const QStringList firmware = root.value(QLatin1String("firmware")).toString().split(u'.');
    if (firmware.size() == 2) {
        bool majorOk = false, minorOk = false;
        const uint major = firmware[0].toUInt(&majorOk), minor = firmware[1].toUInt(&minorOk);
        if (majorOk && minorOk && major <= 255 && minor <= 255) {
            c.firmware.major = static_cast<uint8_t>(major);
            c.firmware.minor = static_cast<uint8_t>(minor);
        }
    }

    config = c;
    return true;
}

}  // namespace vandrel::config
