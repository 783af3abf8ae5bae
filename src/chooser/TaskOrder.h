#pragma once
#include <QString>

#include <cstdint>
#include <optional>

// The `task order` (g().taskOrder): entry i is the index in the task list of the i-th task played.

// File order, or a random permutation of 0 .. count-1.
void BuildTaskOrder(int count, bool random);
// BuildTaskOrder, then LimitSyllableRuns ("Silbenanzahl").
void BuildSyllableTaskOrder(int count, bool random);
// File order, or a random order in which no more than L (2..4) tasks in a row share their sound
// position (start, middle, end of the word) ("Laut positionieren").
void BuildPositionTaskOrder(int count, bool random);
// From the sixth equal syllable key in a row on, later tasks with another key are exchanged in.
void LimitSyllableRuns();

// The builder each program uses after a list is loaded: 301-304 and 402-405 BuildTaskOrder, 401
// BuildPositionTaskOrder, 406 BuildSyllableTaskOrder, 408 BuildTaskOrder in file order.
// Programs without an order of their own leave the task order alone.
void BuildTaskOrderForProgram(int programCode, int count, bool random);
// The program's "Reihenfolge zufällig" option from the player options (false where it has none).
bool programRandomOrder(int programCode);

namespace taskorder {
// Each random order seeds the generator from the clock; tests fix the seed instead.
void useFixedSeed(std::optional<std::uint64_t> seed);

// Where the marked sound of an element text lies in its word; None without a marker 1-9.
enum class SoundPosition { Start, End, Middle, None };
SoundPosition soundPositionOf(const QString& text);
}
