#pragma once
#include <vector>

#include <QString>

class TMapFrameCore;

// One selected row of a route's turn list, as the map reads it.
struct TMapTurn {
    int RecNo = 0;  // the row's position in the route's turn list, from 1
    QString BegLat;
    QString BegLong;
    QString EndLat;
    QString EndLong;
    QString Turn;  // "L", "R", "B", "E", or anything else
};

// Fills the frame with the points of the turns, in the order given (the order of the selection),
// in one update: start and end turns one red point, left turns two blue points, right turns two
// green ones, any other letter none. Ids count up from 1 over the turns, one per point; a turn
// without points uses up one. Zooms to the points before they are drawn.
void LoadRoute(TMapFrameCore& frame, const std::vector<TMapTurn>& turns);

// A made-up route of `count` turns (at least 2) winding north-east from Ryazan: a start, runs of
// left and right turns, an end. Record numbers run from 1. For the demo, benchmarks and pictures.
std::vector<TMapTurn> DemoRouteTurns(int count);
