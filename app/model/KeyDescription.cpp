#include "app/model/KeyDescription.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "keymap/KeyAssignment.h"
#include "keymap/KeyState.h"
#include "keymap/KeyTables.h"
#include "keys/KeyNameTable.h"
#include "util/TrNoop.h"
#include "util/Utf16.h"

namespace vandrel {

namespace {

constexpr const char* kContext = "vandrel::KeyDescription";

std::string text(const TextLookup& tr, const char* source) { return lookUpText(tr, kContext, source); }

// A name of the key-name table without its trailing blank.
std::string tableName(const KeyNameTable& names, uint8_t vk) {
    std::string s = utf16ToUtf8(names.name(vk));
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// The keypad keys whose table name is the same as a main-block key's.
bool isSharedKeypadName(int slot) {
    switch (slot) {
    case 38: case 39: case 40: case 61: case 94: case 107: return true;
    default: return false;
    }
}

// The names a user says for the keys whose table names are abbreviations
// or show the other symbol of the cap, or null. Key names stay untranslated,
// as the caps are.
const char* spokenName(uint8_t vk) {
    switch (vk) {
    case 0x2C: return "Print Screen";
    case 0x91: return "Scroll Lock";
    case 0x2D: return "Insert";
    case 0x2E: return "Delete";
    case 0x90: return "Num Lock";
    case 0x14: return "Caps Lock";
    case 0x21: return "Page Up";
    case 0x22: return "Page Down";
    case 0xC0: return "~";  // the cap shows the tilde
    default: return nullptr;
    }
}

std::string joinedNames(const KeyNameTable& names, const uint8_t* codes, size_t count) {
    std::string s;
    for (size_t i = 0; i < count; ++i) {
        if (codes[i] == 0) continue;
        if (!s.empty()) s += " + ";
        s += tableName(names, codes[i]);
    }
    return s;
}

// The last part of a path: a file's or a folder's own name.
std::string lastComponent(const std::u16string& path) {
    size_t end = path.size();
    while (end > 1 && (path[end - 1] == u'/' || path[end - 1] == u'\\')) --end;
    size_t start = path.find_last_of(u"/\\", end - 1);
    start = start == std::u16string::npos ? 0 : start + 1;
    return utf16ToUtf8(path.substr(start, end - start));
}

}  // namespace

std::string keyReaderName(int slot, const KeyNameTable& names, const TextLookup& tr) {
    if (slot < 0 || slot >= kPhysicalSlots) return {};
    // The Fn position carries the application key's code but is labelled Fn.
    if (slot == kFnSlot) return "Fn";
    const uint8_t vk = SlotHomeVk[slot];
    const std::string name = tableName(names, vk);
    // A name that follows the desktop's layout is the layout's; the table's
    // own abbreviations are read as said.
    if (const char* spoken = spokenName(vk); spoken && name == tableName(keyNames(), vk)) return spoken;
    if (vk >= 0x60 && vk <= 0x69)
        return fillPlaceholders(text(tr, VANDREL_TR_NOOP("vandrel::KeyDescription", "小键盘 %1")),
                                {std::string(1, static_cast<char>('0' + vk - 0x60))});
    if (isSharedKeypadName(slot))
        return fillPlaceholders(text(tr, VANDREL_TR_NOOP("vandrel::KeyDescription", "小键盘 %1")), {name});
    return name;
}

std::string keyFunctionText(int slot, const DeviceImage& image, const KeyRecordTable& records, bool reassigned,
                            const MacroStore& macros, const KeyNameTable& names, const TextLookup& tr) {
    if (slot < 0 || slot >= kPhysicalSlots || slot == kFnSlot) return {};
    if (!IsKeyEnabled(image, slot)) return text(tr, VANDREL_TR_NOOP("vandrel::KeyDescription", "已禁用"));
    if (!reassigned) return {};
    const KeyRecord& r = records[slot];
    switch (r.type) {
    case static_cast<uint8_t>(AssignType::SingleKey):
    case static_cast<uint8_t>(AssignType::KeyCombination): {
        const size_t count = r.type == 0 ? 1 : std::min<size_t>(r.length, 3);
        const std::string keys = joinedNames(names, r.data, count);
        if (keys.empty() || keys == tableName(names, SlotHomeVk[slot])) break;
        return fillPlaceholders(text(tr, VANDREL_TR_NOOP("vandrel::KeyDescription", "发送 %1")), {keys});
    }
    case static_cast<uint8_t>(AssignType::MacroKey): {
        const uint8_t index = r.data[2];
        std::string name = index < kMacroRecords && recordInUse(macros[index]) ? utf16ToUtf8(recordName(macros[index]))
                                                                              : std::to_string(index + 1);
        return fillPlaceholders(text(tr, VANDREL_TR_NOOP("vandrel::KeyDescription", "宏 %1")), {name});
    }
    case static_cast<uint8_t>(AssignType::NamedFunction): {
        const uint8_t* e = image.deviceKeyMap + SlotCellOffset[slot];
        for (const NamedFunction& f : kNamedFunctions)
            if (std::equal(e, e + 4, f.entry.begin()))
                return lookUpText(tr, "vandrel::KeyMapDialogModel", utf16ToUtf8(f.label).c_str());
        break;
    }
    case 4: case 5: case 6: case 7: {
        static const char* const kLaunch[4] = {
            VANDREL_TR_NOOP("vandrel::KeyDescription", "播放 %1"),
            VANDREL_TR_NOOP("vandrel::KeyDescription", "启动 %1"),
            VANDREL_TR_NOOP("vandrel::KeyDescription", "打开 %1"),
            VANDREL_TR_NOOP("vandrel::KeyDescription", "打开文件夹 %1"),
        };
        const std::string target = lastComponent(readUtf16Field(r.path, kKeyRecordPathUnits));
        if (target.empty()) break;
        return fillPlaceholders(text(tr, kLaunch[r.type - 4]), {target});
    }
    default: break;
    }
    return text(tr, VANDREL_TR_NOOP("vandrel::KeyDescription", "已更改"));
}

std::string colourText(uint8_t r, uint8_t g, uint8_t b, const TextLookup& tr) {
    const double rf = r / 255.0, gf = g / 255.0, bf = b / 255.0;
    const double high = std::max({rf, gf, bf}), low = std::min({rf, gf, bf});
    const double chroma = high - low;
    const double saturation = high > 0 ? chroma / high : 0;
    const char* name;
    if (high < 0.16) {
        name = VANDREL_TR_NOOP("vandrel::KeyDescription", "黑色");
    } else if (saturation < 0.18) {
        name = high > 0.85 ? VANDREL_TR_NOOP("vandrel::KeyDescription", "白色")
                           : VANDREL_TR_NOOP("vandrel::KeyDescription", "灰色");
    } else {
        double hue;
        if (high == rf) hue = std::fmod((gf - bf) / chroma, 6.0);
        else if (high == gf) hue = (bf - rf) / chroma + 2;
        else hue = (rf - gf) / chroma + 4;
        hue *= 60;
        if (hue < 0) hue += 360;
        if (hue < 15 || hue >= 340) name = VANDREL_TR_NOOP("vandrel::KeyDescription", "红色");
        else if (hue < 42) name = VANDREL_TR_NOOP("vandrel::KeyDescription", "橙色");
        else if (hue < 70) name = VANDREL_TR_NOOP("vandrel::KeyDescription", "黄色");
        else if (hue < 160) name = VANDREL_TR_NOOP("vandrel::KeyDescription", "绿色");
        else if (hue < 195) name = VANDREL_TR_NOOP("vandrel::KeyDescription", "青色");
        else if (hue < 255) name = VANDREL_TR_NOOP("vandrel::KeyDescription", "蓝色");
        else if (hue < 290) name = VANDREL_TR_NOOP("vandrel::KeyDescription", "紫色");
        else name = VANDREL_TR_NOOP("vandrel::KeyDescription", "粉色");
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02X%02X%02X", r, g, b);
    return fillPlaceholders(text(tr, VANDREL_TR_NOOP("vandrel::KeyDescription", "%1（%2）")), {text(tr, name), hex});
}

std::string keyReaderText(int slot, const DeviceImage& image, const KeyRecordTable& records, bool reassigned,
                          const MacroStore& macros, int diyMap, const KeyNameTable& names,
                          const TextLookup& tr) {
    const std::string name = keyReaderName(slot, names, tr);
    std::string detail;
    if (diyMap >= 0 && diyMap < static_cast<int>(kDiyMapCount)) {
        const uint8_t* cell = image.diyMaps[diyMap] + SlotCellOffset[slot];
        // A black cell is no colour: the key shows the picture.
        detail = (cell[1] | cell[2] | cell[3]) == 0 ? text(tr, VANDREL_TR_NOOP("vandrel::KeyDescription", "无颜色"))
                                                    : colourText(cell[1], cell[2], cell[3], tr);
    } else {
        detail = keyFunctionText(slot, image, records, reassigned, macros, names, tr);
    }
    if (detail.empty()) return name;
    return fillPlaceholders(text(tr, VANDREL_TR_NOOP("vandrel::KeyDescription", "%1，%2")), {name, detail});
}

}  // namespace vandrel
