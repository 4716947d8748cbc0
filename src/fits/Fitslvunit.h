// Fitslvunit: the longitude-velocity diagram of a survey as a FITS image (lv-diagram.fits of
// kelvane-batch --lv-diagram), for any FITS image viewer.
//
// The image is a regular grid: galactic longitude along the first axis (GLON, degrees,
// decreasing with the pixel as the diagram draws it), velocity relative to the LSR along the
// second (VOPT, m/s, SPECSYS LSRK: the program's velocities, see Fitsunit.h). A pixel holds the
// column of the nearest longitude (of the files there, the one nearest the plane), averaged over
// the pixel's velocity band (LvBandSignal); NaN where no channel with a signal falls.
#pragma once

#include "fits/Fitsunit.h"
#include "numeric/Lvgridunit.h"

#include <vector>

// The grid's largest side, pixels: a survey of very uneven spacing is sampled more coarsely
// rather than made into an image of millions of pixels.
constexpr long LvFitsMaxSide = 3600;

// The image of a grid's columns (LvColumnOf of batch/Lvdiagramunit.h).
// Given:    grid  at least one column, each with velocities (km/s, LSR) and corrected signal
//                 (a signal of exactly 0 is a missing channel)
// Returned: longitude step the smallest spacing of the columns' distinct longitudes (1 degree
//           for a single one), velocity step the mean channel step of the first column added;
//           NCOLUMNS counts every column added
TFitsImage LvFitsImage(const TLvGrid& grid);
