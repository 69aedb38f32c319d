#pragma once

// A face whose normal is at least this vertical is a floor or a ceiling (or an opening in
// one); the others are sides. The warnings and the plan sort faces by it alike.
constexpr double HorizontalNormal = 0.7;
