#pragma once

// What screen readers see of every shortcut recorder; installed once, on
// the first recorder made.
void installRecorderAccessibility();
