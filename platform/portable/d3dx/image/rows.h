// One image level collected row by row as a decoder produces it, reduced on
// the way to the size the texture needs: each texel the mean of the source
// texels it covers, as Resample shrinks. Memory grows with the rows that
// arrive, never with the size a file claims, and a level larger than needed
// never exists in full.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/portable/d3dx/image/decode.h"
#include "platform/portable/d3dx/image/resample.h"

namespace portable {

struct RowCollector {
    uint32_t sourceWidth = 0;
    uint32_t sourceHeight = 0;
    uint32_t width = 0;  // of the result: the source's, or less where it exceeds the fit
    uint32_t height = 0;
    bool bottomUp = false;  // rows arrive bottom row first
    uint32_t received = 0;  // source rows so far
    // Reduction state: the taps of each axis, one source row resized across,
    // and the sums of the (at most two) output rows still open.
    std::vector<ResampleTap> columns;
    std::vector<ResampleTap> rows;
    std::vector<float> wide;
    std::vector<float> sums[2];
    uint32_t nextRow = 0;       // first output row not yet finished
    std::vector<uint8_t> bgra;  // finished output rows, in arrival order
};

// A collector for a sourceWidth x sourceHeight level whose result is at most
// fitWidth x fitHeight (each at least 1).
RowCollector StartRows(uint32_t sourceWidth, uint32_t sourceHeight, uint32_t fitWidth, uint32_t fitHeight,
                       bool bottomUp);

// Takes the whole result's memory at once, for a decoder that knows its
// file can hold every row (without it, memory grows as rows arrive).
void ReserveRows(RowCollector& collector);

// The next source row: sourceWidth texels, B, G, R, A.
void AddRow(RowCollector& collector, const uint8_t* bgra);
// `count` rows of transparent black (rows a file leaves out).
void AddBlankRows(RowCollector& collector, uint32_t count);
// Source rows still to come.
inline uint32_t RowsLeft(const RowCollector& collector) { return collector.sourceHeight - collector.received; }

// The finished level, rows from the top; every source row must have arrived.
ImageLevel FinishRows(RowCollector& collector);

} // namespace portable
