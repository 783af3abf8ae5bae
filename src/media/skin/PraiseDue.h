#pragma once

// Whether praise sounds after a right answer: `count` answers recorded so far in the run,
// `frequency` the exercise's option "Erfolgauftreten".
bool PraiseDue(int count, int frequency);
