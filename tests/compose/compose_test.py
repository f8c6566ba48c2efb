"""The composer: score parsing, the module's effect set, XM cell packing and the
synthesised samples. Run directly or through CTest."""

import os
import struct
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools", "compose"))
import compose  # noqa: E402
import synth    # noqa: E402

HEADER = """
channels 2
speed 6
bpm 138
instrument lead sample=lead volume=40 pan=128 env=0:64,10:32
text "credits"
alias x C#5~lead:C20
bar full A-4 . . . . . . . . . . . . . . .
bar rest . . . . . . . . . . . . . . . .
"""


def Score(body):
    return compose.ParseScore(HEADER + body)


class ScoreParsing(unittest.TestCase):
    def testRowCountsMustFillThePattern(self):
        with self.assertRaisesRegex(compose.ScoreError, "has 48 rows"):
            Score("pattern p\n0 rest*3\n")
        with self.assertRaisesRegex(compose.ScoreError, "unknown bar"):
            Score("pattern p\n0 nothing*4\n")

    def testCellsCarryNoteInstrumentAndEffect(self):
        s = Score("pattern p\n0 ~lead full full-2 full+12 [ x C-5:303 off .:E93 . . . . . . . . . . . . ]\n")
        ch0 = s.patterns["p"][0]
        a4 = 1 + 4 * 12 + 9
        self.assertEqual((ch0[0].note, ch0[0].instrument), (a4, 1))
        self.assertEqual(ch0[16].note, a4 - 2)
        self.assertEqual(ch0[32].note, a4 + 12)
        x = ch0[48]   # the alias: C#5 with its own instrument and effect
        self.assertEqual((x.note, x.instrument, x.effect, x.param), (1 + 60 + 1, 1, 0xC, 0x20))
        porta = ch0[49]  # a sliding note keeps the sounding volume: no instrument
        self.assertEqual((porta.instrument, porta.effect, porta.param), (0, 3, 3))
        self.assertEqual(ch0[50].note, compose.KEY_OFF)
        self.assertEqual((ch0[51].effect, ch0[51].param), (0xE, 0x93))
        self.assertTrue(s.patterns["p"][1][0].IsEmpty())   # unwritten channels are empty

    def testSharpsAreNotComments(self):
        s = Score("pattern p\n0 [ F#5~lead . . . . . . . . . . . . . . . ] rest*3 # a comment\n")
        self.assertEqual(s.patterns["p"][0][0].note, 1 + 60 + 6)

    def testBadInputIsReported(self):
        for body, message in [
            ("pattern p\n0 [ H-4 ] rest*3 [ . . . . . . . . . . . . . . . ]\n", "bad note"),
            ("pattern p\n0 full+90 rest*3\n", "out of range"),
            ("pattern p\n0 [ A-4~drum . . . . . . . . . . . . . . . ] rest*3\n", "unknown instrument"),
            ("pattern p\n5 rest*4\n", "no channel"),
            ("order q\n", "unknown pattern"),
        ]:
            with self.assertRaisesRegex(compose.ScoreError, message):
                Score(body)


class ModuleWriting(unittest.TestCase):
    def testEffectsOutsideTheSetAreRefused(self):
        for fx in ("037", "810", "E1F", "B00", "D00", "E5F"):
            s = Score(f"pattern p\n0 [ A-4~lead:{fx} . . . . . . . . . . . . . . . ] rest*3\norder p\n")
            with self.assertRaisesRegex(compose.ScoreError, "not in the module's set"):
                compose.WriteModule(s, synth.BuildSamples())

    def testCellPacking(self):
        self.assertEqual(compose.PackCell(compose.Cell()), b"\x80")
        self.assertEqual(compose.PackCell(compose.Cell(49, 2)), bytes([0x83, 49, 2]))
        self.assertEqual(compose.PackCell(compose.Cell(0, 0, 0xA, 0)), bytes([0x88, 0xA]))
        self.assertEqual(compose.PackCell(compose.Cell(49, 2, 0xC, 0x20)), bytes([49, 2, 0, 0xC, 0x20]))

    def testHeaderInstrumentsAndSampleDeltas(self):
        s = Score("pattern p\n0 ~lead full rest*3\npattern q\norder p q p\n")
        samples = synth.BuildSamples()
        data = compose.WriteModule(s, samples)
        self.assertEqual(data[:17], b"Extended Module: ")
        headerSize, length, restart, channels, patterns, instruments, flags, speed, bpm = \
            struct.unpack_from("<IHHHHHHHH", data, 60)
        self.assertEqual((headerSize, length, restart, channels, patterns, instruments, flags, speed, bpm),
                         (276, 3, 0, 2, 2, 2, 0, 6, 138))
        self.assertEqual(list(data[80:83]), [0, 1, 0])
        # skip both patterns to the first instrument
        at = 60 + headerSize
        for _ in range(2):
            headerLength, _, rows, packed = struct.unpack_from("<IBHH", data, at)
            self.assertEqual((headerLength, rows), (9, 64))
            at += 9 + packed
        self.assertEqual(struct.unpack_from("<IxxxxxxxxxxxxxxxxxxxxxxxH", data, at), (263, 1))
        self.assertEqual(data[at + 225], 2)     # two volume envelope points
        self.assertEqual(data[at + 233], 1)     # envelope on, no sustain
        sampleHeader = at + 263
        count, loopStart, loopLength, volume, _, kind = struct.unpack_from("<IIIBbB", data, sampleHeader)
        lead = samples["lead"]
        self.assertEqual((count, loopStart, loopLength, volume, kind), (len(lead.data), 0, len(lead.data), 40, 2))
        deltas = data[sampleHeader + 40:sampleHeader + 40 + count]
        value, decoded = 0, []
        for d in deltas:
            value = (value + d) & 0xFF
            decoded.append(value - 256 if value > 127 else value)
        self.assertEqual(decoded, lead.data)
        empty = sampleHeader + 40 + count    # the text-only instrument
        self.assertEqual(struct.unpack_from("<I22sBH", data, empty)[3], 0)
        self.assertEqual(len(data), empty + 263)

    def testTheModuleIsTheSameEveryTime(self):
        path = os.path.join(HERE, "..", "..", "tools", "compose", "score.txt")
        with open(path, encoding="utf-8") as f:
            text = f.read()
        first = compose.WriteModule(compose.ParseScore(text), synth.BuildSamples())
        second = compose.WriteModule(compose.ParseScore(text), synth.BuildSamples())
        self.assertEqual(first, second)


class Samples(unittest.TestCase):
    def setUp(self):
        self.samples = synth.BuildSamples()

    def testEightBitFullRangeWithoutClipping(self):
        for s in self.samples.values():
            self.assertLessEqual(max(abs(v) for v in s.data), 127, s.name)
            self.assertGreaterEqual(max(abs(v) for v in s.data), 120, s.name)   # uses the range

    def testOneShotsEndInSilence(self):
        for name in ("kick", "snare", "hat"):
            s = self.samples[name]
            self.assertEqual(s.loopKind, synth.LOOP_NONE)
            self.assertLessEqual(max(abs(v) for v in s.data[-8:]), 2, name)

    def testForwardLoopsJoinWithoutAStep(self):
        for s in self.samples.values():
            if s.loopKind != synth.LOOP_FORWARD:
                continue
            body = s.data[s.loopStart:s.loopStart + s.loopLength]
            steps = [abs(body[i + 1] - body[i]) for i in range(len(body) - 1)]
            self.assertLessEqual(abs(body[0] - body[-1]), max(steps), s.name)

    def testPingPongLeadTurnsSmoothly(self):
        s = self.samples["lead"]
        self.assertEqual(s.loopKind, synth.LOOP_PINGPONG)
        # the waveform is flat at both mirrors, so a turn makes no corner
        self.assertLessEqual(abs(s.data[1] - s.data[0]), 4)
        self.assertLessEqual(abs(s.data[-1] - s.data[-2]), 4)

    def testDrumRatesFollowTheAmigaTable(self):
        self.assertEqual(synth.AmigaPeriod(48), 1712)
        self.assertAlmostEqual(synth.PlaybackRate(49), 14317056 / 1712)


if __name__ == "__main__":
    unittest.main()
