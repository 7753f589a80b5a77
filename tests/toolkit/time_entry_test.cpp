#include "toolkit/musical_position.h"
#include "toolkit/time_entry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

TimeEntrySettings Defaults() {
    TimeEntrySettings settings;
    SetDefaultTimeEntrySettings(&settings);
    return settings;
}

TEST(TimeEntry, EachFieldGivesTheDuration) {
    const struct {
        int field;
        const char* typed;
        double seconds;
    } cases[] = {
        {kTimeSeconds, "-2", 0.0},        {kTimeMilliseconds, "250", 0.25},
        {kTimeHertz, "4", 0.25},          {kTimeHertz, "0", 0.0},
        {kTimeBpm, "120", 0.5},           {kTimeBpm, "0", 0.0},
        {kTimeMetres, "330", 0.99999999}, {kTimeSamples, "22050.5", 0.5},
        {kTimeFrames, "50", 2.0},         {kTimePosition, "2.1.0", 2.0},
        {kTimeTempo, "60", 1.0},          {kTimeTicks, "480", -1.0},
    };
    for (const auto& c : cases) {
        TimeEntrySettings settings = Defaults();
        EXPECT_NEAR(c.seconds, TimeEntrySecondsFromField(&settings, c.field, c.typed), 1e-6)
            << c.field << " " << c.typed;
    }
    TimeEntrySettings noRate = Defaults();
    noRate.sampleRate = 0;
    noRate.framesPerSecond = 0.0f;
    EXPECT_EQ(0.0, TimeEntrySecondsFromField(&noRate, kTimeSamples, "100"));
    EXPECT_EQ(0.0, TimeEntrySecondsFromField(&noRate, kTimeFrames, "100"));
}

TEST(TimeEntry, NotesAppendReplaceAndSum) {
    TimeEntrySettings settings = Defaults();
    settings.replaceMode = 0;
    for (int note : {0, 4, 8, 14})
        EXPECT_EQ(1, PickNote(&settings, note));
    EXPECT_EQ(5, NoteCount(&settings));
    // 1 + 4 + 0.25 + 1/3 + 0.375 beats at 120 bpm.
    EXPECT_NEAR((1 + 4 + 0.25 + 1.0 / 3 + 0.375) / 2.0, NoteDuration(&settings), 1e-9);
    EXPECT_EQ(1, PickNote(&settings, 1)); // a sixth replaces them
    EXPECT_EQ(1, NoteCount(&settings));
    EXPECT_EQ(0, PickNote(&settings, 15));
    settings.replaceMode = 1;
    PickNote(&settings, 10);
    EXPECT_EQ(1, NoteCount(&settings));
    EXPECT_DOUBLE_EQ(3.0, NoteDuration(&settings)) << "dotted whole: 6 beats";
    settings.tempo = 0.0f;
    EXPECT_EQ(0.0, NoteDuration(&settings));
}

TEST(TimeEntry, TicksClampAndTextsAreCut) {
    TimeEntrySettings settings = Defaults();
    char text[64];
    EXPECT_EQ(3, TimeEntryFieldText(&settings, kTimeSeconds, 0.5, text, 4)) << "cut, terminated";
    TimeEntryFieldText(&settings, kTimeHertz, 0.0, text, sizeof text);
    EXPECT_STREQ("0.000", text);
    const struct {
        const char* typed;
        uint32_t ticks;
    } cases[] = {{"0", 1}, {"200000", 99999}, {"96.9", 96}, {"-5", 1}};
    for (const auto& c : cases) {
        ASSERT_EQ(1, TimeEntrySetSetting(&settings, kTimeTicks, c.typed));
        EXPECT_EQ(c.ticks, settings.ticksPerBeat) << c.typed;
    }
    EXPECT_EQ(0, TimeEntrySetSetting(&settings, kTimeSeconds, "1"));
}

// Stored settings: every word out of its range, not finite or beyond its
// limit, goes back to its default alone; the words beside it stay.
TEST(TimeEntry, StoredWordsOutOfRangeTakeTheirDefaults) {
    using Set = void (*)(TimeEntrySettings&);
    const struct {
        const char* what;
        Set spoil, expect; // expect: the word as its default
    } cases[] = {
        {"note 15", [](TimeEntrySettings& s) { s.notes[1] = 15; },
         [](TimeEntrySettings& s) { std::memcpy(s.notes, Defaults().notes, sizeof s.notes); }},
        {"replace mode 2", [](TimeEntrySettings& s) { s.replaceMode = 2; },
         [](TimeEntrySettings& s) { s.replaceMode = 1; }},
        {"tempo NaN", [](TimeEntrySettings& s) { s.tempo = std::nanf(""); },
         [](TimeEntrySettings& s) { s.tempo = 120.0f; }},
        {"tempo 0", [](TimeEntrySettings& s) { s.tempo = 0.0f; },
         [](TimeEntrySettings& s) { s.tempo = 120.0f; }},
        {"tempo -inf", [](TimeEntrySettings& s) { s.tempo = -HUGE_VALF; },
         [](TimeEntrySettings& s) { s.tempo = 120.0f; }},
        {"tempo 2e6", [](TimeEntrySettings& s) { s.tempo = 2e6f; },
         [](TimeEntrySettings& s) { s.tempo = 120.0f; }},
        {"focus 99", [](TimeEntrySettings& s) { s.focusField = 99; },
         [](TimeEntrySettings& s) { s.focusField = kTimeSeconds; }},
        {"sample rate 0", [](TimeEntrySettings& s) { s.sampleRate = 0; },
         [](TimeEntrySettings& s) { s.sampleRate = 44100; }},
        {"ticks 100000", [](TimeEntrySettings& s) { s.ticksPerBeat = 100000; },
         [](TimeEntrySettings& s) { s.ticksPerBeat = 96; }},
        {"beats per bar 65", [](TimeEntrySettings& s) { s.beatsPerBar = 65; },
         [](TimeEntrySettings& s) { s.beatsPerBar = 4; }},
        {"beat unit 3", [](TimeEntrySettings& s) { s.beatUnit = 3; },
         [](TimeEntrySettings& s) { s.beatUnit = 4; }},
        {"fps +inf", [](TimeEntrySettings& s) { s.framesPerSecond = HUGE_VALF; },
         [](TimeEntrySettings& s) { s.framesPerSecond = 25.0f; }},
        {"fps NaN", [](TimeEntrySettings& s) { s.framesPerSecond = std::nanf(""); },
         [](TimeEntrySettings& s) { s.framesPerSecond = 25.0f; }},
    };
    // Every word in range and off its default, so that a repair shows.
    TimeEntrySettings kept = Defaults();
    kept.notes[0] = 14;
    kept.notes[1] = 0;
    kept.replaceMode = 0;
    kept.tempo = 97.5f;
    kept.focusField = kTimeFps;
    kept.sampleRate = 48000;
    kept.ticksPerBeat = 480;
    kept.beatsPerBar = 7;
    kept.beatUnit = 16;
    kept.framesPerSecond = 29.97f;
    TimeEntrySettings same = kept;
    EXPECT_EQ(0, RepairTimeEntrySettings(&same));
    EXPECT_EQ(0, std::memcmp(&same, &kept, sizeof kept));
    for (const auto& c : cases) {
        TimeEntrySettings s = kept, expected = kept;
        c.spoil(s);
        c.expect(expected);
        EXPECT_EQ(1, RepairTimeEntrySettings(&s)) << c.what;
        EXPECT_EQ(0, std::memcmp(&expected, &s, sizeof s)) << c.what;
    }
}

TEST(MusicalPosition, ParsesAndRoundTrips) {
    char small[4];
    EXPECT_EQ(FormatMusicalPosition(small, sizeof small, 0, 120, 480, 4, 4), 3);
    EXPECT_STREQ(small, "   ");
    // At 120 bpm, 480 ticks, 4/4; out-of-range fields read as bar 1, beat 1, tick 0.
    const struct {
        const char* text;
        double ms;
    } cases[] = {{"3.2.240", 4750.0}, {"bar 2 beat 3", 3000.0}, {"0.9.9999", 0.0}, {nullptr, 0.0}};
    for (const auto& c : cases)
        EXPECT_NEAR(ParseMusicalPosition(c.text, 120, 480, 4, 4), c.ms, 1e-3) << c.text;

    for (int32_t unit : {1, 2, 4, 8, 16}) {
        for (int32_t beat = 1; beat <= 5; ++beat) {
            const float ms = MusicalPositionToMs(7, beat, 60, 97.0f, 480, 5, unit);
            char out[64];
            FormatMusicalPosition(out, sizeof out, ms, 97.0f, 480, 5, unit);
            EXPECT_NEAR(ParseMusicalPosition(out, 97.0f, 480, 5, unit), ms, 1e-2) << out;
        }
    }
}

} // namespace
