// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommonSubstring.h"

namespace {

// The suffix automaton of a sequence: every substring of it is a path from the first state.
// Built in linear time; walking another sequence through it finds, at each position of that one,
// the longest run ending there that also occurs in this one. Each state knows where the first
// occurrence of its strings ends.
//
// Everything lives in a few flat arrays: an automaton of a long transcript has hundreds of
// thousands of transitions, and one allocation each would cost more than the search itself.
class SuffixAutomaton
{
public:
    explicit SuffixAutomaton(const std::vector<int> &sequence)
    {
        m_states.reserve(2 * sequence.size() + 1);
        m_edges.reserve(3 * sequence.size() + 1);
        m_slots.assign(tableSizeFor(3 * sequence.size() + 1), Slot{});
        m_states.push_back({});
        for (const int symbol : sequence)
            extend(symbol);
    }

    int next(int state, int symbol) const
    {
        const qsizetype edge = findEdge(state, symbol);
        return edge < 0 ? -1 : m_edges[size_t(edge)].to;
    }
    int link(int state) const { return m_states[size_t(state)].link; }
    qsizetype length(int state) const { return m_states[size_t(state)].length; }
    /// Where the first occurrence of the state's strings ends (the index of its last symbol).
    qsizetype firstEnd(int state) const { return m_states[size_t(state)].firstEnd; }

private:
    struct State
    {
        qsizetype length = 0;
        int link = -1;
        qsizetype firstEdge = -1; // the state's transitions, a list through Edge::nextOfState
        qsizetype firstEnd = -1;
    };
    struct Edge
    {
        int symbol;
        int to;
        qsizetype nextOfState;
    };
    // An open-addressing table from (state, symbol) to the edge's index.
    struct Slot
    {
        quint64 key = emptyKey;
        qsizetype edge = -1;
    };
    static constexpr quint64 emptyKey = ~quint64(0);

    static size_t tableSizeFor(size_t entries)
    {
        size_t size = 16;
        while (size < 2 * entries)
            size *= 2;
        return size;
    }
    static quint64 key(int state, int symbol)
    {
        return quint64(quint32(state)) << 32 | quint32(symbol);
    }
    static size_t mix(quint64 key)
    {
        key ^= key >> 33;
        key *= 0xff51afd7ed558ccdULL;
        key ^= key >> 33;
        return size_t(key);
    }

    size_t slotOf(quint64 wanted) const
    {
        const size_t mask = m_slots.size() - 1;
        size_t slot = mix(wanted) & mask;
        while (m_slots[slot].key != emptyKey && m_slots[slot].key != wanted)
            slot = (slot + 1) & mask;
        return slot;
    }

    qsizetype findEdge(int state, int symbol) const
    {
        return m_slots[slotOf(key(state, symbol))].edge;
    }

    void setTransition(int from, int symbol, int to)
    {
        const quint64 wanted = key(from, symbol);
        Slot &slot = m_slots[slotOf(wanted)];
        if (slot.key == wanted) {
            m_edges[size_t(slot.edge)].to = to;
            return;
        }
        slot = {wanted, qsizetype(m_edges.size())};
        State &state = m_states[size_t(from)];
        m_edges.push_back({symbol, to, state.firstEdge});
        state.firstEdge = slot.edge;
    }

    void extend(int symbol)
    {
        const int current = int(m_states.size());
        const qsizetype newLength = m_states[size_t(m_last)].length + 1;
        m_states.push_back({newLength, -1, -1, newLength - 1});
        int state = m_last;
        while (state != -1 && next(state, symbol) == -1) {
            setTransition(state, symbol, current);
            state = link(state);
        }
        if (state == -1) {
            m_states[size_t(current)].link = 0;
        } else if (const int target = next(state, symbol); length(state) + 1 == length(target)) {
            m_states[size_t(current)].link = target;
        } else {
            const int clone = int(m_states.size());
            m_states.push_back({length(state) + 1, link(target), -1, firstEnd(target)});
            for (qsizetype edge = m_states[size_t(target)].firstEdge; edge >= 0;
                 edge = m_edges[size_t(edge)].nextOfState)
                setTransition(clone, m_edges[size_t(edge)].symbol, m_edges[size_t(edge)].to);
            while (state != -1 && next(state, symbol) == target) {
                setTransition(state, symbol, clone);
                state = link(state);
            }
            m_states[size_t(target)].link = clone;
            m_states[size_t(current)].link = clone;
        }
        m_last = current;
    }

    std::vector<State> m_states;
    std::vector<Edge> m_edges;
    std::vector<Slot> m_slots;
    int m_last = 0;
};

// For each position, the length of the longest proper prefix of the pattern that is also a
// suffix of it there (Knuth–Morris–Pratt).
std::vector<qsizetype> borders(const std::vector<int> &pattern)
{
    std::vector<qsizetype> border(pattern.size(), 0);
    for (size_t i = 1, length = 0; i < pattern.size(); ++i) {
        while (length > 0 && pattern[i] != pattern[length])
            length = size_t(border[length - 1]);
        if (pattern[i] == pattern[length])
            ++length;
        border[i] = qsizetype(length);
    }
    return border;
}

} // namespace

CommonSubstring::Match CommonSubstring::longest(const std::vector<int> &a,
                                                const std::vector<int> &b)
{
    if (a.empty() || b.empty())
        return {};
    // The automaton is built over b, the newest task's text, which stays short, and the long
    // transcript tail a is walked through it: the work on a is a lookup per character in a table
    // small enough to stay in the cache.
    const SuffixAutomaton automaton(b);
    Match best;
    int state = 0;
    qsizetype length = 0;
    for (const int symbol : a) {
        while (state != 0 && automaton.next(state, symbol) == -1) {
            state = automaton.link(state);
            length = automaton.length(state);
        }
        if (const int target = automaton.next(state, symbol); target != -1) {
            state = target;
            ++length;
        }
        if (length == 0)
            continue;
        // The run's first occurrence in b; of equally long runs, the one that starts first in b.
        const qsizetype start = automaton.firstEnd(state) - length + 1;
        if (length > best.length || (length == best.length && start < best.start))
            best = {start, length};
    }
    return best;
}

qsizetype CommonSubstring::lastOccurrence(const std::vector<int> &haystack,
                                          const std::vector<int> &needle)
{
    if (needle.empty() || needle.size() > haystack.size())
        return -1;
    // The last occurrence is the first one in the reversed sequences.
    const std::vector<int> reversedNeedle(needle.rbegin(), needle.rend());
    const std::vector<qsizetype> border = borders(reversedNeedle);
    size_t matched = 0;
    for (size_t i = 0; i < haystack.size(); ++i) {
        const int symbol = haystack[haystack.size() - 1 - i];
        while (matched > 0 && symbol != reversedNeedle[matched])
            matched = size_t(border[matched - 1]);
        if (symbol == reversedNeedle[matched])
            ++matched;
        if (matched == reversedNeedle.size())
            return qsizetype(haystack.size() - 1 - i);
    }
    return -1;
}
