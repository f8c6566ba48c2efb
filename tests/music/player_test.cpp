// The pattern player and its effects: periods and frequencies of both tables, final
// volume and panning, voices taken over by new notes, envelopes, and the row and tick
// parts of the effects whose edges matter.
#include "tests/music/music_test_util.h"

using namespace musictest;

namespace {

xm::ModuleData Song(int rows, int channels = 1, int speed = 6)
{
    xm::ModuleData m = OneChannelModule(rows);
    m.channels = channels;
    m.speed = speed;
    m.patterns[0].cells.assign(size_t(rows) * channels, {});
    return m;
}

void Put(xm::ModuleData& m, int row, int channel, xm::Cell cell, int pattern = 0)
{
    m.patterns[size_t(pattern)].At(row, channel, m.channels) = cell;
}

constexpr uint8_t C4 = 49;   // note 49 plays realNote 48

TEST(Periods, LinearTable)
{
    Module linear{};
    linear.flags = MODULE_LINEAR_FREQUENCIES;
    struct Row {
        int note, finetune, period, frequency;
    };
    // 8363 Hz at C-4, doubling per octave; 64 period units per semitone.
    const Row rows[] = {{48, 0, 4608, 8363}, {60, 0, 3840, 16726}, {36, 0, 5376, 4181},
                        {48, -128, 4672, 7893}, {48, 127, 4545, 8852}, {57, 0, 4032, 14064}};
    for (const Row& r : rows) {
        EXPECT_EQ(NotePeriod(&linear, r.note, r.finetune), r.period) << r.note << "/" << r.finetune;
        EXPECT_EQ(PeriodFrequency(&linear, r.period, 0), r.frequency) << r.note << "/" << r.finetune;
    }
    // A positive offset raises the pitch: one octave is 768.
    EXPECT_EQ(PeriodFrequency(&linear, 4608, 768), 16726);
}

TEST(Periods, AmigaTable)
{
    Module amiga{};
    struct Row {
        int note, finetune, period, frequency;
    };
    // 1712 at C-4, halving per octave; finetune moves up to a semitone either way.
    const Row rows[] = {{48, 0, 1712, 8362}, {60, 0, 856, 16725}, {36, 0, 3424, 4181},
                        {49, 0, 1615, 8865}, {48, 64, 1664, 8604}, {48, -64, 1762, 8125}};
    for (const Row& r : rows) {
        EXPECT_EQ(NotePeriod(&amiga, r.note, r.finetune), r.period) << r.note << "/" << r.finetune;
        EXPECT_EQ(PeriodFrequency(&amiga, r.period, 0), r.frequency) << r.note << "/" << r.finetune;
    }
    // A positive offset lowers the pitch.
    EXPECT_LT(PeriodFrequency(&amiga, 1712, 100), 8362);
}

TEST(Player, FinalVolumeAndPanGoToTheRightSides)
{
    xm::ModuleData m = Song(4);
    Put(m, 0, 0, {C4, 1, 0, 0, 0});
    Put(m, 1, 0, {0, 0, 0, 0x8, 0});      // pan 0: left
    Put(m, 2, 0, {0, 0, 0, 0x8, 255});    // pan 255: right
    Playback play(m);
    ASSERT_NE(play.module, nullptr);
    play.Ticks(1);
    const Voice& v = *Channels[0].voice;
    EXPECT_EQ(v.volume, 127);
    EXPECT_EQ(v.targetLeft, 63);   // pan 128
    EXPECT_EQ(v.targetRight, 63);
    EXPECT_EQ(v.sample, play.module->instruments[0].samples[0]);
    // 8363 Hz at 44,100 Hz as 32.32.
    EXPECT_EQ(v.step, (uint64_t{8363} << 32) / 44100);
    play.Ticks(6);
    EXPECT_EQ(Channels[0].voice->targetLeft, 127);
    EXPECT_EQ(Channels[0].voice->targetRight, 0);
    play.Ticks(6);
    EXPECT_EQ(Channels[0].voice->targetLeft, 0);
    EXPECT_EQ(Channels[0].voice->targetRight, 127);
}

TEST(Player, NewNotesTakeThePartnerVoice)
{
    xm::ModuleData m = Song(4, 2);
    Put(m, 0, 1, {C4, 1, 0, 0, 0});
    Put(m, 1, 1, {C4 + 12, 1, 0, 0, 0});
    Put(m, 2, 1, {C4, 1, 0, 0, 0});
    Playback play(m);
    ASSERT_NE(play.module, nullptr);
    play.Ticks(1);
    EXPECT_EQ(Channels[1].voice, &Voices[1]);
    play.Ticks(6);
    EXPECT_EQ(Channels[1].voice, &Voices[33]);
    EXPECT_EQ(Voices[33].index, 33);
    EXPECT_NE(Voices[1].sample, nullptr);   // still running, fading out
    EXPECT_EQ(Voices[1].targetLeft, 0);
    EXPECT_EQ(Voices[1].targetRight, 0);
    EXPECT_EQ(Voices[33].currentLeft, 0);  // the new note fades in
    play.Ticks(6);
    EXPECT_EQ(Channels[1].voice, &Voices[1]);
}

TEST(Player, SongLoopsToTheRestartPositionAndBreaksToOrderZero)
{
    xm::ModuleData m = Song(2, 1, 1);
    m.patterns.push_back(m.patterns[0]);
    m.orders = {0, 1, 0, 1};
    m.restart = 2;
    Put(m, 1, 0, {0, 0, 0, 0xD, 0x00}, 1);   // break at the end of pattern 1
    Playback play(m);
    ASSERT_NE(play.module, nullptr);
    std::vector<int> orders;
    for (int i = 0; i < 12; i++) {
        play.Ticks(1);
        orders.push_back(play.module->orderPosition);
    }
    // Orders 0, 1 (break: next order 2), 2, 3 (break on the last order: order 0).
    const std::vector<int> expected = {0, 0, 1, 1, 2, 2, 3, 3, 0, 0, 1, 1};
    EXPECT_EQ(orders, expected);

    xm::ModuleData plain = Song(2, 1, 1);
    plain.orders = {0, 0, 0};
    plain.restart = 1;
    Playback again(plain);
    again.Ticks(6);
    EXPECT_EQ(again.module->orderPosition, 2);
    again.Ticks(1);
    EXPECT_EQ(again.module->orderPosition, 1);   // the natural end restarts
}

TEST(Player, BreakToARowThePatternDoesNotHaveStartsAtRowZero)
{
    xm::ModuleData m = Song(4, 1, 1);
    xm::PatternData shortPattern;
    shortPattern.rows = 8;
    m.patterns.push_back(shortPattern);
    m.orders = {0, 1};
    Put(m, 0, 0, {0, 0, 0, 0xD, 0x40});   // row 40 of an 8-row pattern
    Playback play(m);
    play.Ticks(2);
    EXPECT_EQ(play.module->orderPosition, 1);
    EXPECT_EQ(play.module->row, 0);
}

TEST(Player, SpeedZeroMakesEveryTickARowTick)
{
    xm::ModuleData m = Song(8);
    Put(m, 0, 0, {0, 0, 0, 0xF, 0x00});
    Playback play(m);
    play.Ticks(4);
    EXPECT_EQ(play.module->speed, 0);
    EXPECT_EQ(play.module->row, 3);
}

TEST(Player, VolumeEnvelopeHoldsAtSustainThenLoopsAfterKeyOff)
{
    xm::ModuleData m = Song(4);
    xm::InstrumentData& in = m.instruments[0];
    in.volume.points = {{0, 64}, {4, 32}, {8, 48}, {12, 0}};
    in.volume.type = ENVELOPE_ON | ENVELOPE_SUSTAIN | ENVELOPE_LOOP;
    in.volume.sustain = 1;
    in.volume.loopStart = 1;
    in.volume.loopEnd = 2;
    in.fadeout = 1024;   // 2048 a tick
    Put(m, 0, 0, {C4, 1, 0, 0, 0});
    Put(m, 2, 0, {97, 0, 0, 0, 0});
    Playback play(m);
    ASSERT_NE(play.module, nullptr);
    std::vector<int> envelope;
    for (int i = 0; i < 12; i++) {
        play.Ticks(1);
        envelope.push_back(Channels[0].envelopeVolume);
    }
    // From 64 down to the sustain point 32 over 4 ticks, then held.
    EXPECT_EQ(envelope, (std::vector<int>{64, 56, 48, 40, 32, 32, 32, 32, 32, 32, 32, 32}));
    envelope.clear();
    for (int i = 0; i < 10; i++) {
        play.Ticks(1);
        envelope.push_back(Channels[0].envelopeVolume);
    }
    // Key off: past the sustain, up to 48, back to the loop start 32, and again.
    EXPECT_EQ(envelope, (std::vector<int>{32, 36, 40, 44, 32, 36, 40, 44, 32, 36}));
    EXPECT_EQ(Channels[0].fadeoutVolume, 65536 - 10 * 2048);
}

TEST(Player, KeyOffWithoutEnvelopeSilencesAtOnce)
{
    xm::ModuleData m = Song(4);
    Put(m, 0, 0, {C4, 1, 0, 0, 0});
    Put(m, 1, 0, {0, 0, 0, 20, 0});   // K00
    Playback play(m);
    play.Ticks(7);
    EXPECT_EQ(Channels[0].envelopeVolume, 0);
    EXPECT_EQ(Channels[0].voice->targetLeft, 0);
    EXPECT_EQ(Channels[0].voice->targetRight, 0);
}

TEST(Player, FinalVolumeUsesEveryFactorWithoutOverflow)
{
    xm::ModuleData m = Song(4);
    Put(m, 0, 0, {C4, 1, 0, 16, 32});   // global volume 32: half
    Playback play(m);
    play.Ticks(1);
    EXPECT_EQ(Channels[0].voice->volume, 63);   // 127.5 / 2 truncated
}

TEST(Player, InstrumentWithoutNoteResetsTheChannelButNotTheVoice)
{
    xm::ModuleData m = Song(4);
    m.instruments[0].samples[0].volume = 50;
    Put(m, 0, 0, {C4, 1, 0, 0xC, 20});
    Put(m, 1, 0, {0, 1, 0, 0, 0});
    Playback play(m);
    play.Ticks(1);
    EXPECT_EQ(Channels[0].volume, 20);
    Voice* voice = Channels[0].voice;
    voice->position = uint64_t{9} << 32;
    play.Ticks(6);
    EXPECT_EQ(Channels[0].volume, 50);
    EXPECT_EQ(Channels[0].voice, voice);
    EXPECT_EQ(voice->position >> 32, 9u);
}

TEST(Player, NoteWithAMissingInstrumentPlaysSilence)
{
    xm::ModuleData m = Song(4);
    Put(m, 0, 0, {C4, 5, 0, 0, 0});   // only one instrument exists
    Put(m, 1, 0, {C4 + 2, 0, 0, 0, 0});
    Playback play(m);
    play.Ticks(1);
    EXPECT_EQ(Channels[0].voice->sample, &EmptySample);
    std::vector<float> out(2 * 64, 0.0f);
    MixVoices(out.data(), 64);
    EXPECT_EQ(Channels[0].voice->sample, nullptr);   // ended without reading anything
    play.Ticks(6);
    EXPECT_EQ(Channels[0].voice->sample, &EmptySample);   // the previous instrument, 5
}

TEST(Effects, VibratoOffsetsOnTheRowTickAndMovesOnLaterTicks)
{
    xm::ModuleData m = Song(4);
    Put(m, 0, 0, {C4, 1, 0, 0x4, 0x48});
    Playback play(m);
    play.Ticks(1);
    EXPECT_EQ(Channels[0].vibratoPosition, 0);
    EXPECT_EQ(Channels[0].periodOffset, 0);   // sine at 0
    play.Ticks(5);
    EXPECT_EQ(Channels[0].vibratoPosition, 20);   // speed 4, moved 5 times
    play.Ticks(1);   // the next row keeps the position
    EXPECT_EQ(Channels[0].vibratoPosition, 20);
}

TEST(Effects, VibratoSineFollowsItsFormula)
{
    xm::ModuleData m = Song(4);
    Put(m, 0, 0, {C4, 1, 0, 0x4, 0x0F});
    Playback play(m);
    play.Ticks(1);
    Channels[0].vibratoPosition = 16;
    play.Ticks(1);
    // |sin(pi/2 - tiny)| * 256 truncates to 255: ((15 * 255) >> 5) & ~3 = 116, negated.
    EXPECT_EQ(Channels[0].periodOffset, -116);
}

TEST(Effects, TremoloValueStaysAsVolumeAndIsLimitedAt64)
{
    xm::ModuleData m = Song(4);
    m.instruments[0].samples[0].volume = 40;
    Put(m, 0, 0, {C4, 1, 0, 0x7, 0x4F});
    Put(m, 1, 0, {0, 0, 0, 0, 0});
    Playback play(m);
    play.Ticks(6);
    const int offset = Channels[0].volumeOffset;
    EXPECT_GT(offset, 0);
    play.Ticks(1);
    EXPECT_EQ(Channels[0].volume, 40 + offset);

    xm::ModuleData loud = Song(4);
    Put(loud, 0, 0, {C4, 1, 0, 0x7, 0x4F});
    Playback full(loud);
    full.Ticks(3);
    EXPECT_EQ(Channels[0].volumeOffset, 0);   // volume 64, positive phase
}

TEST(Effects, SampleOffsetBeyondTheEndRestartsInsteadOfTriggering)
{
    xm::ModuleData m = Song(4);
    Put(m, 0, 0, {C4, 1, 0, 0, 0});
    Put(m, 1, 0, {C4, 1, 0, 0x9, 0x01});   // 256: beyond the 32-value sample
    Playback play(m);
    play.Ticks(1);
    Voice* first = Channels[0].voice;
    first->position = uint64_t{7} << 32;
    first->direction = 2;   // as if on the way back through a ping-pong loop
    play.Ticks(6);
    EXPECT_EQ(Channels[0].voice, first);   // no new voice
    EXPECT_EQ(first->position, 0u);
    EXPECT_EQ(first->direction, 1);
}

TEST(Effects, SampleOffsetWithoutANoteWaitsForTheNextTrigger)
{
    xm::ModuleData m = Song(4);
    m.instruments[0].samples[0] = SineSample(1024);
    Put(m, 0, 0, {0, 0, 0, 0x9, 0x02});
    Put(m, 1, 0, {C4, 1, 0, 0, 0});
    Playback play(m);
    play.Ticks(1);
    EXPECT_EQ(Channels[0].voice->startOffset, 512u);
    EXPECT_EQ(Channels[0].voice->sample, nullptr);
    play.Ticks(6);
    EXPECT_EQ(Channels[0].voice->position >> 32, 512u);
}

TEST(Effects, SetVolumeAndVolumeColumnSlides)
{
    xm::ModuleData m = Song(4);
    Put(m, 0, 0, {C4, 1, 0, 0xC, 0x70});            // 112: 64
    Put(m, 1, 0, {0, 0, 0x62, 0, 0});               // down 2 on every tick
    Put(m, 2, 0, {0, 0, 0x83, 0, 0});               // down 3 on the row tick only
    Playback play(m);
    play.Ticks(1);
    EXPECT_EQ(Channels[0].volume, 64);
    play.Ticks(6);
    EXPECT_EQ(Channels[0].volume, 64 - 2);
    play.Ticks(5);
    EXPECT_EQ(Channels[0].volume, 64 - 12);
    play.Ticks(6);
    EXPECT_EQ(Channels[0].volume, 64 - 15);
}

TEST(Effects, VolumeColumnPortamentoWithoutEffectJumpsToTheNote)
{
    xm::ModuleData m = Song(4);
    Put(m, 0, 0, {C4, 1, 0, 0, 0});
    Put(m, 1, 0, {C4 + 12, 0, 0xF4, 0, 0});
    Playback play(m);
    play.Ticks(1);
    Voice* voice = Channels[0].voice;
    play.Ticks(6);
    EXPECT_EQ(Channels[0].voice, voice);   // not retriggered
    EXPECT_EQ(Channels[0].period, 4608 - 768);
    play.Ticks(3);
    EXPECT_EQ(Channels[0].period, 4608 - 768);
}

TEST(Effects, TonePortamentoSlidesWithoutRetrigger)
{
    xm::ModuleData m = Song(4);
    Put(m, 0, 0, {C4, 1, 0, 0, 0});
    Put(m, 1, 0, {C4 + 1, 0, 0, 0x3, 0x04});   // 16 units a tick towards 4544
    Playback play(m);
    play.Ticks(7);
    EXPECT_EQ(Channels[0].period, 4608);
    EXPECT_EQ(Channels[0].notePeriod, 4544);
    EXPECT_EQ(Channels[0].note, 48);   // unchanged by a portamento cell
    play.Ticks(3);
    EXPECT_EQ(Channels[0].period, 4608 - 48);
    play.Ticks(2);
    EXPECT_EQ(Channels[0].period, 4544);   // stops at the target
}

TEST(Effects, PatternLoopRunsItsCountOfExtraTimes)
{
    xm::ModuleData m = Song(4, 1, 1);
    Put(m, 1, 0, {0, 0, 0, 0xE, 0x60});
    Put(m, 2, 0, {0, 0, 0, 0xE, 0x62});
    m.orders = {0, 0};
    Playback play(m);
    std::vector<int> rows;
    for (int i = 0; i < 9; i++) {
        rows.push_back(play.module->nextRow >= 0 ? play.module->nextRow : play.module->row);
        play.Ticks(1);
    }
    EXPECT_EQ(rows, (std::vector<int>{0, 1, 2, 1, 2, 1, 2, 3, 0}));
}

TEST(Effects, PatternLoopBackToRowZeroKeepsTheChannelsRunning)
{
    // The loop's last row leaves the row at -1 until the next row tick. Its later ticks
    // still step the envelope (one unit a tick here) and run the other channel's effects.
    xm::ModuleData m = Song(4, 2);
    m.instruments[0].volume.points = {{0, 0}, {64, 64}};
    m.instruments[0].volume.type = ENVELOPE_ON;
    Put(m, 0, 0, {C4, 1, 0, 0xE, 0x60});
    Put(m, 0, 1, {C4, 1, 0x30, 0, 0});
    Put(m, 1, 0, {0, 0, 0, 0xE, 0x61});
    Put(m, 1, 1, {0, 0, 0x62, 0xA, 0x01});   // volume column and effect slide down
    Playback play(m);
    std::vector<int> rows;
    for (int row = 0; row < 4; row++) {
        rows.push_back(play.module->nextRow >= 0 ? play.module->nextRow : play.module->row);
        play.Ticks(6);
        if (row == 1) {
            EXPECT_EQ(Channels[0].envelopeVolume, 11);   // 12 ticks after the note
            // 32, then -2 on the row tick and -2 - 1 on each of the 5 later ticks.
            EXPECT_EQ(Channels[1].volume, 32 - 2 - 5 * 3);
        }
    }
    EXPECT_EQ(rows, (std::vector<int>{0, 1, 0, 1}));
}

TEST(Effects, NoteCutArpeggioAndPortaFloor)
{
    xm::ModuleData m = Song(4);
    Put(m, 0, 0, {C4, 1, 0, 0x0, 0x47});
    Put(m, 1, 0, {0, 0, 0, 0xE, 0xC2});
    Put(m, 2, 0, {C4, 1, 0, 0x1, 0xFF});
    Playback play(m);
    std::vector<int> offsets;
    for (int i = 0; i < 6; i++) {
        play.Ticks(1);
        offsets.push_back(Channels[0].periodOffset);
    }
    EXPECT_EQ(offsets, (std::vector<int>{0, 4 * 64, 7 * 64, 0, 4 * 64, 7 * 64}));
    play.Ticks(2);
    EXPECT_EQ(Channels[0].volume, 64);
    play.Ticks(1);
    EXPECT_EQ(Channels[0].volume, 0);   // cut on tick 2
    play.Ticks(9);
    EXPECT_EQ(Channels[0].period, 56);   // 4608 - 5 * 1020 stops at the floor
    play.Ticks(6);
    EXPECT_EQ(Channels[0].period, 56);
}

TEST(Effects, MultiRetrigChangesTheVolumeByItsTable)
{
    xm::ModuleData m = Song(4);
    m.instruments[0].samples[0].volume = 30;
    Put(m, 0, 0, {C4, 1, 0, 27, 0x62});   // x 6: two thirds, every 2 ticks
    Put(m, 1, 0, {0, 0, 0, 27, 0xE3});    // x 14: three halves, every 3 ticks
    Playback play(m);
    play.Ticks(6);   // retrig on ticks 2 and 4
    EXPECT_EQ(Channels[0].volume, 30 * 2 / 3 * 2 / 3);
    play.Ticks(6);   // tick 3
    EXPECT_EQ(Channels[0].volume, 13 * 3 / 2);
}

TEST(Effects, EnvelopePositionAndFinetuneOnTheEmptySample)
{
    xm::ModuleData m = Song(4);
    m.instruments[0].volume.points = {{10, 0}, {20, 64}};
    m.instruments[0].volume.type = ENVELOPE_ON;
    Put(m, 0, 0, {C4, 1, 0, 21, 15});   // L: half way between the points
    Put(m, 1, 0, {0, 0, 0, 21, 2});     // before the first point: kept within 0..64
    Put(m, 2, 0, {C4, 9, 0, 0xE, 0x57});   // instrument 9 does not exist
    Playback play(m);
    play.Ticks(1);
    EXPECT_EQ(Channels[0].envelopeVolume, 31);   // 5 ticks of a truncated 6.4 a tick
    play.Ticks(6);
    EXPECT_GE(Channels[0].envelopeVolume, 0);
    EXPECT_LE(Channels[0].envelopeVolume, 64);
    play.Ticks(6);
    EXPECT_EQ(EmptySample.finetune, 0);
    EXPECT_EQ(EmptySample.data, nullptr);
}

}   // namespace
