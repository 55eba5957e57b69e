// Every decoder against crafted lamp answers: byte orders, 0xFF padding and
// 0x00 ends, flags; and the same reads when the answer is one byte short,
// empty (a failed read) or missing: no read past the end, no handler call,
// no value.
#include <gtest/gtest.h>

#include <functional>

#include "support/LampFixture.h"

namespace aq::test {
namespace {

using Deliver = std::function<void(std::string)>;
using Read = std::function<void(BTLEController&, const Deliver&)>;

struct AnswerCase {
    const char* name;
    Read read;
    bool onWorker;
    // Crafted answers by opcode, in the order the read sends its commands.
    std::vector<std::pair<std::uint8_t, Bytes>> answers;
    std::string expected;
};

void PrintTo(const AnswerCase& c, std::ostream* os) {
    *os << c.name;
}

std::string text(std::uint64_t v) {
    return std::to_string(v);
}
std::string flag(bool on) {
    return on ? "on" : "off";
}
std::string quoted(const std::string& s) {
    return "'" + s + "'";
}
std::string colour(const LampColor& c) {
    return format("%.4f %.4f %.4f %.1f", c.red, c.green, c.blue, c.alpha);
}
template <typename T>
std::string orNone(const std::optional<T>& v, const std::function<std::string(const T&)>& show) {
    return v ? show(*v) : "none";
}
// The value of a synchronous read, or "none".
template <typename T>
Read syncRead(std::function<std::optional<T>(BTLEController&)> op,
              std::function<std::string(const T&)> show) {
    return [op, show](BTLEController& c, const Deliver& d) { d(orNone(op(c), show)); };
}

Bytes withText(std::uint8_t opcode, const std::string& s) {
    Bytes out{opcode};
    out.insert(out.end(), s.begin(), s.end());
    return out;
}

AnswerCase queued(const char* name, Read read, std::vector<std::pair<std::uint8_t, Bytes>> a,
                  std::string expected) {
    return {name, std::move(read), false, std::move(a), std::move(expected)};
}
AnswerCase sync(const char* name, Read read, std::vector<std::pair<std::uint8_t, Bytes>> a,
                std::string expected) {
    return {name, std::move(read), true, std::move(a), std::move(expected)};
}

std::vector<AnswerCase> answerCases() {
    using C = BTLEController;
    const auto number = [](auto get) {
        return [get](C& c, const Deliver& d) { get(c, [d](auto v) { d(text(v)); }); };
    };
    const auto boolean = [](auto get) {
        return [get](C& c, const Deliver& d) { get(c, [d](bool v) { d(flag(v)); }); };
    };
    const Bytes eleven = withText(0x96, "Deep Blue X");  // 11 characters, no 0x00
    return {
        queued("slaves", number([](C& c, auto h) { c.getSlaves(h); }), {{0x90, {0x90, 3}}}, "3"),
        queued(
            "nameElevenAndPadding",
            [](C& c, const Deliver& d) { c.getName([d](const std::string& s) { d(quoted(s)); }); },
            {{0x8B, withText(0x8B, "Aquarium 01\xFF")}, {0x8C, Bytes(13, 0xFF)}}, "'Aquarium 01'"),
        queued(
            "namePaddingInTheMiddleIsDropped",
            [](C& c, const Deliver& d) { c.getName([d](const std::string& s) { d(quoted(s)); }); },
            {{0x8B, withText(0x8B,
                             "Re\xFF\xFF"
                             "ef Tank\xFF")},
             {0x8C, withText(0x8C,
                             "\xFF"
                             "2\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF")}},
            "'Reef Tank2'"),
        queued(
            "nameFullTwentyFour",
            [](C& c, const Deliver& d) { c.getName([d](const std::string& s) { d(quoted(s)); }); },
            {{0x8B, withText(0x8B, "ABCDEFGHIJKL")}, {0x8C, withText(0x8C, "MNOPQRSTUVWX")}},
            "'ABCDEFGHIJKLMNOPQRSTUVWX'"),
        queued(
            "clockIgnoresTheWeekdayByte",
            [](C& c, const Deliver& d) {
                c.getRTC([d](const LampDateTime& t) {
                    d(format("%04d-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day, t.hour,
                             t.minute, t.second));
                });
            },
            {{0x91, {0x91, 9, 5, 14, 0xFF, 7, 3, 26}}}, "2026-03-07 14:05:09"),
        queued("demoLoopOff", boolean([](C& c, auto h) { c.getDemoLoop(h); }), {{0x86, {0x86, 0}}},
               "off"),
        queued("demoLoopHighBitIsOn", boolean([](C& c, auto h) { c.getDemoLoop(h); }),
               {{0x86, {0x86, 0x80}}}, "on"),
        queued("mode", number([](C& c, auto h) { c.getMode(h); }), {{0x92, {0x92, 3}}}, "3"),
        queued(
            "firmwareSkipsPadding",
            [](C& c, const Deliver& d) {
                c.getFirmware([d](const std::string& s) { d(quoted(s)); });
            },
            {{0x95, withText(0x95, "1\xFF.2\xFF")}}, "'1.2'"),
        queued(
            "serialLeastSignificantFirst",
            [](C& c, const Deliver& d) {
                c.getSerialNo(
                    [d](std::uint64_t v) { d(format("0x%016llX", (unsigned long long)v)); });
            },
            {{0x9C, {0x9C, 1, 2, 3, 4, 5, 6, 7, 8}}}, "0x0807060504030201"),
        queued("actualPowerLeastSignificantFirst",
               number([](C& c, auto h) { c.getActualPowerConsumption(h); }),
               {{0x9B, {0x9B, 0x34, 0x12}}}, "4660"),
        queued("energyMostSignificantFirst", number([](C& c, auto h) { c.getPowerConsumption(h); }),
               {{0x98, {0x98, 0, 0, 1, 2}}}, "258"),
        queued("energyTopByte", number([](C& c, auto h) { c.getPowerConsumption(h); }),
               {{0x98, {0x98, 1, 0, 0, 0}}}, "16777216"),
        queued(
            "channelColourQueued",
            [](C& c, const Deliver& d) {
                c.getChannelColor(1, [d](const LampColor& col) { d(colour(col)); });
            },
            {{0x99, {0x99, 255, 128, 0}}}, "1.0000 0.5020 0.0000 1.0"),
        sync("channels", syncRead<std::uint8_t>([](C& c) { return c.getChannels(); }, text),
             {{0x97, {0x97, 6}}}, "6"),
        sync("channelNameEndsAtZero",
             syncRead<std::string>([](C& c) { return c.getChannelName(0); }, quoted),
             {{0x96, withText(0x96, std::string("Royal Blue\0", 11))}}, "'Royal Blue'"),
        sync("channelNameElevenWithoutZero",
             syncRead<std::string>([](C& c) { return c.getChannelName(0); }, quoted),
             {{0x96, eleven}}, "'Deep Blue X'"),
        sync("channelNameZeroFirst",
             syncRead<std::string>([](C& c) { return c.getChannelName(0); }, quoted),
             {{0x96, {0x96, 0x00}}}, "''"),
        sync("channelColour",
             syncRead<LampColor>([](C& c) { return c.getChannelColor(2); }, colour),
             {{0x99, {0x99, 255, 128, 0}}}, "1.0000 0.5020 0.0000 1.0"),
        sync("pointCount",
             syncRead<std::uint8_t>([](C& c) { return c.getSetPointCountForDevice(0, 1); }, text),
             {{0x8E, {0x8E, 5}}}, "5"),
        sync(
            "pointLastMinuteFull",
            [](C& c, const Deliver& d) {
                std::uint16_t o = 7;
                std::uint8_t i = 7;
                const bool ok = c.getSetPointValueForDevice(0, 0, 0, o, i);
                d(ok ? format("%u %u", unsigned{o}, unsigned{i}) : "none");
            },
            {{0x8F, {0x8F, 0x9F, 0x05, 0xFF}}}, "1439 255"),
        sync("presettingNameElevenWithoutZero",
             syncRead<std::string>([](C& c) { return c.getPresettingName(0); }, quoted),
             {{0x9F, withText(0x9F, "Sunrise ABC")}}, "'Sunrise ABC'"),
        sync("presettingNameZeroFirst",
             syncRead<std::string>([](C& c) { return c.getPresettingName(0); }, quoted),
             {{0x9F, {0x9F, 0x00}}}, "''"),
        sync("presettingPointCount",
             syncRead<std::uint8_t>([](C& c) { return c.getSetPointCountForPresetting(1, 1); },
                                    text),
             {{0xA0, {0xA0, 7}}}, "7"),
        sync(
            "presettingPoint",
            [](C& c, const Deliver& d) {
                std::uint16_t o = 0;
                std::uint8_t i = 0;
                const bool ok = c.getSetPointValueForPresetting(1, 1, 1, o, i);
                d(ok ? format("%u %u", unsigned{o}, unsigned{i}) : "none");
            },
            {{0xA1, {0xA1, 0x2A, 0x03, 0x7F}}}, "810 127"),
        queued("boltsPerHour", number([](C& c, auto h) { c.getBoltsPerHour(h); }),
               {{0x81, {0x81, 180}}}, "180"),
        queued(
            "boltWindow",
            [](C& c, const Deliver& d) {
                c.getBoltsWnd([d](unsigned s, unsigned e) { d(format("%u-%u", s, e)); });
            },
            {{0x82, {0x82, 0xB0, 0x04, 0x64, 0x05}}}, "1200-1380"),
        queued("cloudDimming", number([](C& c, auto h) { c.getCloudDimming(h); }),
               {{0x83, {0x83, 100}}}, "100"),
        queued("cloudDurationLeastSignificantFirst",
               number([](C& c, auto h) { c.getCloudDuration(h); }), {{0x84, {0x84, 0xE7, 0x03}}},
               "999"),
        queued("cloudsPerDay", number([](C& c, auto h) { c.getCloudsPerDay(h); }),
               {{0x85, {0x85, 255}}}, "255"),
        queued("moonFlagHighBitIsOn", boolean([](C& c, auto h) { c.getMoonActive(1, h); }),
               {{0x87, {0x87, 0x80}}}, "on"),
        sync("moonFlagSyncHighBitIsOn",
             syncRead<bool>([](C& c) { return c.getMoonActiveSync(1); }, flag),
             {{0x87, {0x87, 0x80}}}, "on"),
        sync("moonFlagSyncOff", syncRead<bool>([](C& c) { return c.getMoonActiveSync(1); }, flag),
             {{0x87, {0x87, 0x00}}}, "off"),
        queued("moonDay", number([](C& c, auto h) { c.getMoonDay(h); }), {{0x88, {0x88, 28}}},
               "28"),
        queued("moonMax", number([](C& c, auto h) { c.getMoonMax(h); }), {{0x89, {0x89, 100}}},
               "100"),
        queued(
            "moonWindow",
            [](C& c, const Deliver& d) {
                c.getMoonWnd([d](std::uint16_t s, std::uint16_t e) {
                    d(format("%u-%u", unsigned{s}, unsigned{e}));
                });
            },
            {{0x8A, {0x8A, 0x68, 0x01, 0x1C, 0x02}}}, "360-540"),
        sync("moonChannel", syncRead<std::uint8_t>([](C& c) { return c.getMoonChannel(0); }, text),
             {{0x93, {0x93, 2}}}, "2"),
    };
}

// How the lamp answers in a run.
enum class Answer { Whole, OneByteShort, Empty, Missing };

class Answers : public LampFixture,
                public ::testing::WithParamInterface<std::tuple<AnswerCase, Answer>> {
protected:
    // Runs the read; the values it delivered ("none" for a synchronous read
    // without a value).
    std::vector<std::string> run(const AnswerCase& c) {
        std::vector<std::string> got;
        const Deliver deliver = [&got](std::string v) { got.push_back(std::move(v)); };
        if (c.onWorker) {
            dispatch.runOnWorker([&] { c.read(controller, deliver); });
        } else {
            c.read(controller, deliver);
        }
        EXPECT_TRUE(dispatch.runUntilIdle());
        return got;
    }
};

TEST_P(Answers, DecodeOnlyWhatIsThere) {
    const auto& [c, how] = GetParam();
    for (const auto& [opcode, bytes] : c.answers) {
        Bytes crafted = bytes;
        if (how == Answer::OneByteShort) crafted.pop_back();
        if (how == Answer::Empty) crafted.clear();
        lamp->craft(kRw, opcode, crafted);
    }
    if (how == Answer::Missing) setFault(c.answers.front().first, SimFault::NoAnswer);

    const std::vector<std::string> got = run(c);
    if (how == Answer::Whole) {
        EXPECT_EQ(got, std::vector<std::string>{c.expected});
        EXPECT_TRUE(log.matching("too short").empty());
        return;
    }
    // Queued reads call no handler; synchronous ones return no value.
    EXPECT_EQ(got, c.onWorker ? std::vector<std::string>{"none"} : std::vector<std::string>{});
    if (how != Answer::Missing) {
        EXPECT_FALSE(log.matching("too short").empty());
    }
}

std::string caseName(const ::testing::TestParamInfo<std::tuple<AnswerCase, Answer>>& info) {
    static const char* const how[] = {"Whole", "OneByteShort", "Empty", "Missing"};
    return std::string(std::get<0>(info.param).name) + "_" +
           how[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(Decoders, Answers,
                         ::testing::Combine(::testing::ValuesIn(answerCases()),
                                            ::testing::Values(Answer::Whole, Answer::OneByteShort,
                                                              Answer::Empty, Answer::Missing)),
                         caseName);

// --- single cases ----------------------------------------------------------------

TEST_F(LampFixture, AShortSecondNameHalfDeliversNoName) {
    lamp->craft(kRw, 0x8B, Bytes(13, 'A'));
    lamp->craft(kRw, 0x8C, Bytes(12, 'B'));
    bool called = false;
    controller.getName([&](const std::string&) { called = true; });
    ASSERT_TRUE(dispatch.runUntilIdle());
    EXPECT_FALSE(called);
    EXPECT_EQ(log.matching("getName: answer too short (12 of 13 bytes)").size(), 1u);
}

TEST_F(LampFixture, NameBytesAfterTheEndAreNotRead) {
    lamp->craft(kRw, 0x96, withText(0x96, std::string("Red\0Blue\0\0\0\0\0\0", 14)));
    lamp->craft(kRw, 0x9F, withText(0x9F, std::string("\0Reef", 5)));
    EXPECT_EQ(onWorker([&] { return controller.getChannelName(1); }), "Red");
    EXPECT_EQ(onWorker([&] { return controller.getPresettingName(1); }), "");
}

TEST_F(LampFixture, AShortPointAnswerLeavesTheOutParametersAlone) {
    lamp->craft(kRw, 0x8F, {0x8F, 0x2A, 0x03});
    std::uint16_t offset = 1111;
    std::uint8_t level = 22;
    const bool ok =
        onWorker([&] { return controller.getSetPointValueForDevice(0, 0, 0, offset, level); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(offset, 1111);
    EXPECT_EQ(level, 22);
}

TEST_F(LampFixture, AnUnansweredWriteReportsFailure) {
    setFault(0x0F, SimFault::NoAnswer);
    EXPECT_TRUE(onWorker([&] { return controller.setSetPointCountForDevice(0, 0, 1); }));
    EXPECT_FALSE(onWorker([&] { return controller.setSetPointValueForDevice(0, 0, 0, 10, 10); }));
}

}  // namespace
}  // namespace aq::test
