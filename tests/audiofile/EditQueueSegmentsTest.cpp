// The segment list rebuilt from a step list, checked against the worked
// examples and against a byte-by-byte model of the stream.
#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "audiofile/EditQueue.h"

namespace {

using Segment = CEditQueue::Segment;

CQueEdit Step(uint32_t type, const std::string& file, uint32_t start, uint32_t end, uint32_t newEnd,
              uint32_t offset = 0) {
    CQueEdit s;
    s.type = type;
    s.fileName = file;
    s.start = start;
    s.end = end;
    s.newEnd = newEnd;
    s.sourceOffset = offset;
    return s;
}

struct Expect {
    std::string file;
    uint32_t start, end, offset;
};

void ExpectSegments(const std::vector<CQueEdit>& steps, const std::vector<Expect>& want, uint32_t wantLength) {
    std::vector<Segment> segments;
    uint32_t length = 0;
    ASSERT_TRUE(CEditQueue::BuildSegments(steps, steps.size(), segments, length));
    EXPECT_EQ(length, wantLength);
    ASSERT_EQ(segments.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(segments[i].fileName, want[i].file);
        EXPECT_EQ(segments[i].start, want[i].start);
        EXPECT_EQ(segments[i].end, want[i].end);
        EXPECT_EQ(segments[i].offset, want[i].offset);
    }
}

const CQueEdit kSong = Step(kStepOriginal, "song", 0, 10000, 10000);

TEST(EditQueueSegmentsTest, WorkedExamples) {
    // A cut of [1000, 2000) from 10000 bytes.
    ExpectSegments({kSong, Step(kStepCut, "c", 1000, 2000, 2000, 1000)},
                   {{"song", 0, 1000, 0}, {"song", 1000, 9000, 2000}}, 9000);
    // A same-length replacement of [1000, 2000).
    ExpectSegments({kSong, Step(kStepFilter, "f", 1000, 2000, 2000, 0)},
                   {{"song", 0, 1000, 0}, {"f", 1000, 2000, 0}, {"song", 2000, 10000, 2000}}, 10000);
    // [1000, 2000) replaced by a 3000-byte file.
    ExpectSegments({kSong, Step(kStepResize, "r", 1000, 2000, 4000, 0)},
                   {{"song", 0, 1000, 0}, {"r", 1000, 4000, 0}, {"song", 4000, 12000, 2000}}, 12000);
    // An insertion of 500 bytes at 1000.
    ExpectSegments({kSong, Step(kStepInsert, "i", 1000, 1500, 1500, 77)},
                   {{"song", 0, 1000, 0}, {"i", 1000, 1500, 0}, {"song", 1500, 10500, 1000}}, 10500);
    // Edges: a step at the very start and one reaching the very end leave no empty segments.
    ExpectSegments({kSong, Step(kStepReplace, "a", 0, 500, 500), Step(kStepFilter, "b", 9000, 10000, 10000, 9000)},
                   {{"a", 0, 500, 0}, {"song", 500, 9000, 500}, {"b", 9000, 10000, 9000}}, 10000);
    // A second song step starts the list again.
    ExpectSegments({kSong, Step(kStepCut, "c", 0, 10, 10), Step(kStepOriginal, "other", 0, 64, 64)},
                   {{"other", 0, 64, 0}}, 64);
}

TEST(EditQueueSegmentsTest, StepsThatDoNotFitAreRefused) {
    std::vector<Segment> segments;
    uint32_t length = 0;
    for (const CQueEdit& bad : {Step(kStepCut, "c", 9000, 10001, 10001), Step(kStepFilter, "f", 2000, 1000, 1000),
                                Step(kStepResize, "r", 100, 200, 50), Step(kStepInsert, "i", 10001, 10002, 10002),
                                Step(kStepInsert, "i", 0, 0xFFFFFFFF, 0xFFFFFFFF), Step(9, "x", 0, 1, 1)}) {
        EXPECT_FALSE(CEditQueue::BuildSegments({kSong, bad}, 2, segments, length)) << bad.type;
        EXPECT_EQ(length, 10000u);
        EXPECT_EQ(segments.size(), 1u);
    }
}

// Each stream byte as (file, byte offset in the file), the model the segments must describe.
using Model = std::vector<std::pair<std::string, uint32_t>>;

void Apply(Model& m, const CQueEdit& s) {
    auto bytesOf = [&](uint32_t n, uint32_t from) {
        Model r;
        for (uint32_t i = 0; i < n; ++i) r.emplace_back(s.fileName, from + i);
        return r;
    };
    const auto a = m.begin() + s.start, b = m.begin() + s.end;
    switch (s.type) {
        case kStepOriginal:
            m = bytesOf(s.end - s.start, s.sourceOffset);
            break;
        case kStepCut:
            m.erase(a, b);
            break;
        case kStepFilter:
        case kStepReplace: {
            Model r = bytesOf(s.end - s.start, s.sourceOffset);
            std::copy(r.begin(), r.end(), a);
            break;
        }
        case kStepResize: {
            Model r = bytesOf(s.newEnd - s.start, s.sourceOffset);
            auto at = m.erase(a, b);
            m.insert(at, r.begin(), r.end());
            break;
        }
        case kStepInsert: {
            Model r = bytesOf(s.end - s.start, 0);
            m.insert(a, r.begin(), r.end());
            break;
        }
    }
}

TEST(EditQueueSegmentsTest, RandomStepSequencesMatchAByteModel) {
    std::mt19937 rng(12345);
    for (int trial = 0; trial < 300; ++trial) {
        SCOPED_TRACE(trial);
        std::vector<CQueEdit> steps = {Step(kStepOriginal, "song", 0, 200, 200)};
        Model model;
        Apply(model, steps[0]);
        const int count = 1 + static_cast<int>(rng() % 8);
        for (int k = 0; k < count; ++k) {
            const uint32_t length = static_cast<uint32_t>(model.size());
            const uint32_t types[] = {kStepCut, kStepFilter, kStepReplace, kStepResize, kStepInsert};
            const uint32_t type = types[rng() % 5];
            uint32_t a = length ? static_cast<uint32_t>(rng() % (length + 1)) : 0;
            uint32_t b = a + static_cast<uint32_t>(rng() % (length - a + 1));
            if (type == kStepInsert) b = a + static_cast<uint32_t>(rng() % 50);
            const uint32_t e = type == kStepResize ? a + static_cast<uint32_t>(rng() % 80) : b;
            CQueEdit s = Step(type, "s" + std::to_string(k), a, b, e, static_cast<uint32_t>(rng() % 30));
            steps.push_back(s);
            Apply(model, s);
        }
        std::vector<Segment> segments;
        uint32_t length = 0;
        ASSERT_TRUE(CEditQueue::BuildSegments(steps, steps.size(), segments, length));
        ASSERT_EQ(length, model.size());
        Model got;
        uint32_t expectedStart = 0;
        for (const Segment& seg : segments) {
            ASSERT_EQ(seg.start, expectedStart);
            ASSERT_LT(seg.start, seg.end);
            for (uint32_t x = seg.start; x < seg.end; ++x) got.emplace_back(seg.fileName, seg.offset + x - seg.start);
            expectedStart = seg.end;
        }
        EXPECT_EQ(got, model);
    }
}

}  // namespace
