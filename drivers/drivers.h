#pragma once
// Makes the drivers known by the names databases give: "INTRBASE" (Firebird) and "STANDARD"
// (Paradox tables). Every program calls it once before it opens a database; again is harmless.
void RegisterDrivers();
