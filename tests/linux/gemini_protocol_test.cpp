#include "linux/gemini_protocol.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "linux/gemini_link.h"

namespace kov::gemini {
namespace {

// Checksums as INDI's Gemini driver put them on the wire (measured), and the two model reads.
TEST(NativeChecksum, MatchesTheBytesIndiSent) {
    const struct {
        const char* body;
        char checksum;
    } rows[] = {
        {"<508:", '{'}, {"<401:", 's'}, {"<502:", 'q'}, {"<501:", 'r'}, {"<229:", '\x7f'},
        {"<227:", 'q'}, {"<228:", '~'}, {"<27:", 'C'},  {"<509:", 'z'}, {"<120:", 'u'},
        {"<140:", 's'}, {"<145:", 'v'}, {"<150:", 'r'}, {"<151:", 's'}, {"<152:", 'p'},
        {"<170:", 'p'}, {"<201:", 'u'}, {"<202:", 'v'},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(NativeChecksum(row.body), row.checksum) << row.body;
        const std::string framed = FrameNative(row.body);
        EXPECT_EQ(framed, std::string(row.body) + row.checksum + "#");
        EXPECT_EQ(CheckNative(framed), std::string(row.body));
        std::string garbled = framed;
        garbled[garbled.size() - 2] ^= 0x01;
        EXPECT_EQ(CheckNative(garbled), std::nullopt) << garbled;
    }
    for (const char* bad : {"201:", "<201:u#", ""}) {
        EXPECT_THROW(FrameNative(bad), std::invalid_argument) << bad;
    }
}

TEST(Classify, OnlyPlainReadsMayBeRepeated) {
    const struct {
        const char* framed;
        ReplyShape reply;
        bool changes;
    } rows[] = {
        {"\x06", ReplyShape::Hash, false},
        {":GR#", ReplyShape::Hash, false},
        {":GD#", ReplyShape::Hash, false},
        {":GA#", ReplyShape::Hash, false},
        {":GZ#", ReplyShape::Hash, false},
        {":Gv#", ReplyShape::OneChar, false},
        {":h?#", ReplyShape::OneChar, false},
        {"<201:u#", ReplyShape::Hash, false},
        {":Sr10:30:00#", ReplyShape::OneChar, true},
        {":Sd+21*15:00#", ReplyShape::OneChar, true},
        {":Sz180*00:00#", ReplyShape::OneChar, true},
        {":Sa+45*00:00#", ReplyShape::OneChar, true},
        {":CM#", ReplyShape::Hash, true},
        {":Cm#", ReplyShape::Hash, true},
        {":MS#", ReplyShape::SlewResult, true},
        {":MA#", ReplyShape::SlewResult, true},
        {":Q#", ReplyShape::None, true},
        {">130:134S#", ReplyShape::None, true},
        {":hP#", ReplyShape::None, true},
        {":XYZ#", ReplyShape::Hash, true},
    };
    for (const auto& row : rows) {
        const CommandKind kind = Classify(row.framed);
        EXPECT_EQ(kind.reply, row.reply) << row.framed;
        EXPECT_EQ(kind.changesState, row.changes) << row.framed;
    }
}

// The driver role's commands in the controller's framing: targets in its documented form, so
// our sync is byte for byte the one INDI's driver sends.
TEST(FrameLx200, WritesTargetsInTheControllersForm) {
    const struct {
        const char* command;
        const char* framed;
    } rows[] = {
        {"Sr10:30:00", ":Sr10:30:00#"},
        {"Sd21:15:00", ":Sd+21*15:00#"},
        {"Sd-00:30:00", ":Sd-00*30:00#"},
        {"Sd-05:00:59.6", ":Sd-05*01:00#"},
        {"Sr23:59:59.7", ":Sr00:00:00#"},
        {"Sz5:07:00", ":Sz005*07:00#"},
        {"Sa45:00:00", ":Sa+45*00:00#"},
        {"CM", ":CM#"},
        {"Cm#", ":Cm#"},
        {":GR#", ":GR#"},
        {"\x06", "\x06"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(FrameLx200(row.command), row.framed) << row.command;
    }
    EXPECT_THROW(FrameLx200("Sdxx"), std::invalid_argument);
}

TEST(ParseLinkAddress, ReadsEveryTransport) {
    const struct {
        const char* text;
        const char* canonical;
    } rows[] = {
        {"udp:192.168.0.111", "udp:192.168.0.111:11110"},
        {"udp:gemini.local:11111", "udp:gemini.local:11111"},
        {"tcp:127.0.0.1:4030", "tcp:127.0.0.1:4030"},
        {"serial:/dev/ttyUSB0", "serial:/dev/ttyUSB0@9600"},
        {"/dev/serial/by-id/usb-FTDI-if00@19200", "serial:/dev/serial/by-id/usb-FTDI-if00@19200"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ToString(ParseLinkAddress(row.text)), row.canonical) << row.text;
    }
    for (const char* bad :
         {"", "COM3", "tcp:host", "udp::11110", "udp:h:70000", "serial:@9600", "tcp:h:port"}) {
        EXPECT_THROW(ParseLinkAddress(bad), std::invalid_argument) << bad;
    }
}

}  // namespace
}  // namespace kov::gemini
