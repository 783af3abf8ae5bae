#pragma once

// Tool tips stay up to 100 seconds, long enough for an adult to read them beside a child.
void installLongToolTips();
