// Finding record ends in CSV bytes: the state machine of the dialect and its
// 64-byte block form. Internal to the io and exec modules.
//
// The dialect: a quote opens a quoted section only as the first byte of a
// field (start of record or right after a delimiter); elsewhere it is data.
// Inside a quoted section a quote pair is data and a single quote closes the
// section; delimiter, CR and LF are data there. A record ends at a line feed
// outside quoted sections.
//
// The machine needs no look-ahead: a quote inside a quoted section moves to
// `QuoteInQuotes`, and the next byte decides whether it was half of a pair
// (another quote: back inside) or the closing quote (anything else: outside,
// and that byte is handled as outside). Every scanner in the library -- the
// buffered reader, findRecordEnd, the record counter and the chunk splitter --
// uses these functions, so they all agree on where records end.
//
// Pure functions over caller-owned bytes; thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>

#include "io/block_classifier.h"

namespace narwe::scan {

enum class ScanState : uint8_t {
  RecordStart = 0,    // before the first byte of a record
  FieldStart = 1,     // right after a delimiter
  InField = 2,        // in an unquoted field or after a closing quote: quotes are data
  InQuotes = 3,       // inside a quoted section
  QuoteInQuotes = 4,  // just after a quote inside a quoted section
};
constexpr size_t kStateCount = 5;

constexpr size_t kNoRecordEnd = ~size_t{0};

enum ByteClass : uint8_t { kOther = 0, kQuoteClass = 1, kDelimClass = 2, kLineFeedClass = 3 };
constexpr size_t kClassCount = 4;

// A delimiter equal to the quote or the line feed is meaningless; the quote
// and the line feed take precedence so that every scanner agrees anyway.
inline ByteClass classOf(char c, char delim) {
  if (c == blocks::kQuote) return kQuoteClass;
  if (c == blocks::kLineFeed) return kLineFeedClass;
  if (c == delim) return kDelimClass;
  return kOther;
}

// kNext[state][class]
inline constexpr ScanState kNext[kStateCount][kClassCount] = {
    // RecordStart
    {ScanState::InField, ScanState::InQuotes, ScanState::FieldStart, ScanState::RecordStart},
    // FieldStart
    {ScanState::InField, ScanState::InQuotes, ScanState::FieldStart, ScanState::RecordStart},
    // InField
    {ScanState::InField, ScanState::InField, ScanState::FieldStart, ScanState::RecordStart},
    // InQuotes
    {ScanState::InQuotes, ScanState::QuoteInQuotes, ScanState::InQuotes, ScanState::InQuotes},
    // QuoteInQuotes: a second quote makes a pair; anything else closed the section
    {ScanState::InField, ScanState::InQuotes, ScanState::FieldStart, ScanState::RecordStart},
};

// Advances `state` over one byte; true when the byte is a record-ending LF.
inline bool stepByte(ScanState& state, char c, char delim) {
  const ByteClass cls = classOf(c, delim);
  const bool ends = cls == kLineFeedClass && state != ScanState::InQuotes;
  state = kNext[static_cast<size_t>(state)][cls];
  return ends;
}

// True when the record at the start of `bytes` holds a CR outside quoted
// sections that no line feed follows: the mark of a file whose lines end in
// CR alone, which this dialect reads as one long record. Looks no further
// than the record's end or the end of `bytes`; a CR that is the last byte of
// `bytes` is not counted (its line feed may lie beyond).
inline bool recordHasLoneCr(const char* bytes, size_t size, char delim) {
  ScanState state = ScanState::RecordStart;
  for (size_t i = 0; i < size; ++i) {
    const char c = bytes[i];
    if (stepByte(state, c, delim)) return false;
    if (c == '\r' && state != ScanState::InQuotes && i + 1 < size && bytes[i + 1] != '\n') {
      return true;
    }
  }
  return false;
}

// Byte-by-byte form of recordEndsInBlock, used when the fast form cannot
// decide a block.
inline uint64_t recordEndsInBlockSlow(const char* p, char delim, ScanState& state) {
  uint64_t ends = 0;
  for (size_t i = 0; i < blocks::kBlockSize; ++i) {
    if (stepByte(state, p[i], delim)) ends |= uint64_t{1} << i;
  }
  return ends;
}

// Given the masks of the 64 bytes at `p` and the state before the first of
// them, returns the mask of the record-ending line feeds in the block and
// moves `state` to the state after the last byte.
//
// Fast form: the quoted regions are the prefix XOR of the quote mask
// (inverted when the block starts inside quotes). That matches the state
// machine only while every quote that switches a region on is a legal
// opening quote, i.e. follows a delimiter, a line feed or the closing half
// of a quote pair (or is byte 0 and the carried state allows an opening).
// A region that switches on anywhere else is a quote in the middle of an
// unquoted field -- data -- and the block is redone byte by byte.
inline uint64_t recordEndsInBlock(blocks::BlockMasks m, const char* p, char delim,
                                  ScanState& state) {
  if (m.quote == 0) {
    // No quote: line feeds end records unless the whole block is quoted. A
    // pending QuoteInQuotes is closed by byte 0, which is no quote. The
    // last byte alone gives the next state (the delimiter mask is not needed
    // here, which keeps this hot path short).
    if (state == ScanState::InQuotes) return 0;
    const char last = p[blocks::kBlockSize - 1];
    state = last == blocks::kLineFeed ? ScanState::RecordStart
            : last == delim           ? ScanState::FieldStart
                                      : ScanState::InField;
    return m.lf;
  }
  m.delim &= ~(m.quote | m.lf);
  const uint64_t inside = state == ScanState::InQuotes ? ~uint64_t{0} : 0;
  const uint64_t region = blocks::prefixXor(m.quote) ^ inside;
  const uint64_t opens = region & ~((region << 1) | (inside & 1));
  const bool carry_may_open = state == ScanState::RecordStart ||
                              state == ScanState::FieldStart ||
                              state == ScanState::QuoteInQuotes;
  const uint64_t may_open =
      ((m.quote | m.delim | m.lf) << 1) | static_cast<uint64_t>(carry_may_open);
  if (opens & ~may_open) return recordEndsInBlockSlow(p, delim, state);
  const uint64_t ends = m.lf & ~region;
  if (region >> 63) {
    state = ScanState::InQuotes;
  } else if (m.quote >> 63) {
    state = ScanState::QuoteInQuotes;
  } else if (m.lf >> 63) {
    state = ScanState::RecordStart;
  } else if (m.delim >> 63) {
    state = ScanState::FieldStart;
  } else {
    state = ScanState::InField;
  }
  return ends;
}

// Returns the index of the first record-ending LF in data[from, len) when
// scanning starts in `state`, or kNoRecordEnd. On success `state` is
// RecordStart (the state after that LF); otherwise it is the state at `len`.
template <class C>
inline size_t scanForRecordEnd(const char* data, size_t len, size_t from, ScanState& state,
                               char delim) {
  size_t i = from;
  while (i < len && len - i >= blocks::kBlockSize) {
    const uint64_t ends = recordEndsInBlock(C::classify(data + i, delim), data + i, delim, state);
    if (ends != 0) {
      state = ScanState::RecordStart;
      return i + blocks::lowestBit(ends);
    }
    i += blocks::kBlockSize;
  }
  for (; i < len; ++i) {
    if (stepByte(state, data[i], delim)) return i;
  }
  return kNoRecordEnd;
}

// The state after data[from, to) when scanning starts in `state`.
template <class C>
inline ScanState advanceState(const char* data, size_t from, size_t to, ScanState state,
                              char delim) {
  size_t i = from;
  for (; i < to && to - i >= blocks::kBlockSize; i += blocks::kBlockSize) {
    (void)recordEndsInBlock(C::classify(data + i, delim), data + i, delim, state);
  }
  for (; i < to; ++i) (void)stepByte(state, data[i], delim);
  return state;
}

// What a stretch of bytes does for each state it may start in: how many
// record-ending line feeds it holds and the state it leaves. Parallel
// counters summarise stretches independently and chain the summaries in
// order, starting from RecordStart.
struct SegmentSummary {
  uint64_t record_ends[kStateCount] = {};
  ScanState end_state[kStateCount] = {ScanState::RecordStart, ScanState::FieldStart,
                                      ScanState::InField, ScanState::InQuotes,
                                      ScanState::QuoteInQuotes};
};

// Summarises data[begin, end). With `all_starts` false only the RecordStart
// entry is computed (for a stretch known to begin a record).
//
// The start states are followed side by side; two that reach the same state
// share their future, so they are merged and only the counts seen before the
// merge are kept apart. Real data merges within a record or two, after which
// one state is followed, as in a plain scan.
template <class C>
inline SegmentSummary summarizeSegment(const char* data, size_t begin, size_t end, char delim,
                                       bool all_starts) {
  struct Track {
    ScanState state;
    uint64_t count;
  };
  Track tracks[kStateCount];
  size_t live[kStateCount];
  size_t live_count = 0;
  size_t owner[kStateCount];       // start state -> track following it
  uint64_t offset[kStateCount] = {};  // counts seen before merging (mod 2^64)
  const size_t starts = all_starts ? kStateCount : 1;
  for (size_t s = 0; s < starts; ++s) {
    tracks[s] = Track{static_cast<ScanState>(s), 0};
    owner[s] = s;
    live[live_count++] = s;
  }

  size_t i = begin;
  const auto wholeBlockLeft = [&] { return i < end && end - i >= blocks::kBlockSize; };
  while (wholeBlockLeft()) {
    // Fast loop for one track. A track inside quotes is not changed by a
    // block without quotes, so beside it the other track still runs alone
    // (in quote-free data the inside-quotes reading never ends).
    Track* main = nullptr;
    bool parked = false;
    if (live_count == 1) {
      main = &tracks[live[0]];
    } else if (live_count == 2) {
      Track& a = tracks[live[0]];
      Track& b = tracks[live[1]];
      if (b.state == ScanState::InQuotes && a.state != ScanState::InQuotes) main = &a;
      if (a.state == ScanState::InQuotes && b.state != ScanState::InQuotes) main = &b;
      parked = main != nullptr;
    }
    if (main != nullptr) {
      ScanState state = main->state;
      uint64_t count = main->count;
      for (; wholeBlockLeft(); i += blocks::kBlockSize) {
        const blocks::BlockMasks m = C::classify(data + i, delim);
        if (parked && m.quote != 0) break;  // the parked track must see this block
        count += blocks::popcount64(recordEndsInBlock(m, data + i, delim, state));
      }
      main->state = state;
      main->count = count;
      if (!wholeBlockLeft()) break;
    }
    // One block for every track, then merge tracks that reached one state.
    const blocks::BlockMasks m = C::classify(data + i, delim);
    for (size_t k = 0; k < live_count; ++k) {
      Track& t = tracks[live[k]];
      t.count += blocks::popcount64(recordEndsInBlock(m, data + i, delim, t.state));
    }
    for (size_t a = 0; a < live_count; ++a) {
      for (size_t b = a + 1; b < live_count;) {
        Track& ta = tracks[live[a]];
        Track& tb = tracks[live[b]];
        if (ta.state != tb.state) {
          ++b;
          continue;
        }
        for (size_t s = 0; s < starts; ++s) {
          if (owner[s] == live[b]) {
            offset[s] += tb.count - ta.count;
            owner[s] = live[a];
          }
        }
        live[b] = live[--live_count];
      }
    }
    i += blocks::kBlockSize;
  }
  for (; i < end; ++i) {
    for (size_t k = 0; k < live_count; ++k) {
      Track& t = tracks[live[k]];
      t.count += stepByte(t.state, data[i], delim) ? 1 : 0;
    }
  }

  SegmentSummary out;
  for (size_t s = 0; s < starts; ++s) {
    out.record_ends[s] = offset[s] + tracks[owner[s]].count;
    out.end_state[s] = tracks[owner[s]].state;
  }
  return out;
}

}  // namespace narwe::scan
