#pragma once
// Which enumeration records become the two channels: a pure function, so that
// it can be checked with made-up devices.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/Transport.h"

namespace vandrel {

enum class ChannelRule {
    // Windows device paths carry the interface and collection: the command
    // channel's path contains "mi_03", the listen channel's "ol04".
    PathMarkers,
    // Linux hidraw: one node per USB interface. The command channel is USB
    // interface 3; the listen channel is the interface whose fourth top-level
    // collection carries the 3-byte input reports.
    InterfaceNumbers
};

ChannelRule platformChannelRule();

// How the listen channel's reports must be read. hidapi drops the report id of
// an unnumbered report and keeps a real one in front.
struct ListenFraming {
    enum class IdByte {
        Present,  // every report starts with its id
        Absent,   // the interface numbers no reports
        ByLength  // unknown: a 4-byte report has its id in front, a 3-byte one not
    };
    IdByte idByte = IdByte::ByLength;
    // When set, only reports with this id belong to the listen collection.
    std::optional<uint8_t> reportId;
};

struct ChannelChoice {
    std::optional<std::string> commandPath;
    std::optional<std::string> listenPath;
    ListenFraming listenFraming;
};

// The fourth top-level collection, counted from 0.
constexpr size_t kListenCollectionIndex = 3;
constexpr uint32_t kListenPayloadBytes = 3;
constexpr int kCommandInterface = 3;

ChannelChoice chooseChannels(const std::vector<HidRecord>& records, ChannelRule rule);

}  // namespace vandrel
