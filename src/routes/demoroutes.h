#pragma once
#include <QString>

class TDatabase;

// Gives an empty card table a few cards, routes and turns to try the route tab on (demo mode).
// A table that already holds cards is left alone, so edits made in the demo survive its restart.
// One transaction; false with *error when the database refused it.
bool FillDemoRoutes(TDatabase& db, QString* error = nullptr);
