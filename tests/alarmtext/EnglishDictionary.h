#pragma once

// Loads the built-in word list once per test program, makes English current and installs it as
// the translator, so that tests check the texts the station really shows.
void UseEnglishDictionary();
