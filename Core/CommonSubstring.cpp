// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommonSubstring.h"

#include <unordered_map>

namespace {

// The suffix automaton of a sequence: every substring of it is a path from the first state.
// Built in linear time; walking the other sequence through it finds, at each of its positions,
// the longest run ending there that also occurs in the first.
class SuffixAutomaton
{
public:
    explicit SuffixAutomaton(const std::vector<int> &sequence)
    {
        m_states.reserve(2 * sequence.size() + 1);
        m_states.push_back({});
        for (const int symbol : sequence)
            extend(symbol);
    }

    int next(int state, int symbol) const
    {
        const auto found = m_transitions.find(key(state, symbol));
        return found == m_transitions.end() ? -1 : found->second;
    }
    int link(int state) const { return m_states[size_t(state)].link; }
    qsizetype length(int state) const { return m_states[size_t(state)].length; }

private:
    struct State
    {
        qsizetype length = 0;
        int link = -1;
        std::vector<int> symbols; // the symbols this state has transitions on
    };

    static quint64 key(int state, int symbol)
    {
        return quint64(quint32(state)) << 32 | quint32(symbol);
    }

    void addTransition(int from, int symbol, int to)
    {
        if (m_transitions.insert_or_assign(key(from, symbol), to).second)
            m_states[size_t(from)].symbols.push_back(symbol);
    }

    void extend(int symbol)
    {
        const int current = int(m_states.size());
        m_states.push_back({m_states[size_t(m_last)].length + 1, -1, {}});
        int state = m_last;
        while (state != -1 && next(state, symbol) == -1) {
            addTransition(state, symbol, current);
            state = link(state);
        }
        if (state == -1) {
            m_states[size_t(current)].link = 0;
        } else {
            const int target = next(state, symbol);
            if (length(state) + 1 == length(target)) {
                m_states[size_t(current)].link = target;
            } else {
                const int clone = int(m_states.size());
                m_states.push_back({length(state) + 1, link(target), {}});
                for (const int cloned : m_states[size_t(target)].symbols)
                    addTransition(clone, cloned, next(target, cloned));
                while (state != -1 && next(state, symbol) == target) {
                    addTransition(state, symbol, clone);
                    state = link(state);
                }
                m_states[size_t(target)].link = clone;
                m_states[size_t(current)].link = clone;
            }
        }
        m_last = current;
    }

    std::vector<State> m_states;
    std::unordered_map<quint64, int> m_transitions;
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
    const SuffixAutomaton automaton(a);
    Match best;
    int state = 0;
    qsizetype length = 0;
    for (size_t i = 0; i < b.size(); ++i) {
        while (state != 0 && automaton.next(state, b[i]) == -1) {
            state = automaton.link(state);
            length = automaton.length(state);
        }
        if (const int target = automaton.next(state, b[i]); target != -1) {
            state = target;
            ++length;
        }
        // Strictly longer only: of equally long runs, the first to end starts first.
        if (length > best.length)
            best = {qsizetype(i) + 1 - length, length};
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
