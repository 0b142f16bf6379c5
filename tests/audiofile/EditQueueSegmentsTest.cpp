// The segment list rebuilt from a step list, checked against a byte-by-byte
// model of the stream, and steps that do not fit.
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

// Each stream byte as (file, byte offset in the file), the model the segments must describe.
using Model = std::vector<std::pair<std::string, uint32_t>>;

void Apply(Model& m, const CQueEdit& s) {
    auto bytesOf = [&](uint32_t n, uint32_t from) {
        Model r;
        for (uint32_t i = 0; i < n; ++i) r.emplace_back(s.fileName, from + i);
        return r;
    };
    auto at = [&](uint32_t x) { return m.begin() + x; };
    switch (s.type) {
        case kStepOriginal:  // a song step starts the stream again
            m = bytesOf(s.end - s.start, s.sourceOffset);
            break;
        case kStepCut:
            m.erase(at(s.start), at(s.end));
            break;
        case kStepFilter:
        case kStepReplace: {
            Model r = bytesOf(s.end - s.start, s.sourceOffset);
            std::copy(r.begin(), r.end(), at(s.start));
            break;
        }
        case kStepResize: {
            Model r = bytesOf(s.newEnd - s.start, s.sourceOffset);
            m.insert(m.erase(at(s.start), at(s.end)), r.begin(), r.end());
            break;
        }
        case kStepInsert: {  // read from the start of its file, whatever offset it names
            Model r = bytesOf(s.end - s.start, 0);
            m.insert(at(s.start), r.begin(), r.end());
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
            const uint32_t types[] = {kStepCut, kStepFilter, kStepReplace, kStepResize, kStepInsert, kStepOriginal};
            const uint32_t type = types[rng() % 6];
            // Ranges from empty to the whole stream, touching either end.
            uint32_t a = static_cast<uint32_t>(rng() % (length + 1));
            uint32_t b = a + static_cast<uint32_t>(rng() % (length - a + 1));
            if (type == kStepInsert) b = a + static_cast<uint32_t>(rng() % 50);
            if (type == kStepOriginal) a = 0, b = static_cast<uint32_t>(rng() % 300);
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
            ASSERT_LT(seg.start, seg.end);  // no empty segments
            for (uint32_t x = seg.start; x < seg.end; ++x) got.emplace_back(seg.fileName, seg.offset + x - seg.start);
            expectedStart = seg.end;
        }
        EXPECT_EQ(got, model);
    }
}

TEST(EditQueueSegmentsTest, StepsThatDoNotFitAreRefused) {
    const CQueEdit song = Step(kStepOriginal, "song", 0, 10000, 10000);
    std::vector<Segment> segments;
    uint32_t length = 0;
    for (const CQueEdit& bad : {Step(kStepCut, "c", 9000, 10001, 10001), Step(kStepFilter, "f", 2000, 1000, 1000),
                                Step(kStepResize, "r", 100, 200, 50), Step(kStepInsert, "i", 10001, 10002, 10002),
                                Step(kStepInsert, "i", 0, 0xFFFFFFFF, 0xFFFFFFFF), Step(9, "x", 0, 1, 1)}) {
        EXPECT_FALSE(CEditQueue::BuildSegments({song, bad}, 2, segments, length)) << bad.type;
        EXPECT_EQ(length, 10000u);
        EXPECT_EQ(segments.size(), 1u);
    }
}

}  // namespace
