// Astroconstants: the angle constants shared by the coordinate conversions (Galeqeclunit) and
// the radial-velocity correction (Vlsrunit). One definition here lets both units' headers be
// included together.
#pragma once

constexpr double Pi = 3.141592653589793; // the double nearest to pi
constexpr double TwoPi = 2.0 * Pi;
constexpr double FourPi = 4.0 * Pi;
constexpr double RadToDeg = 180.0 / Pi;
constexpr double DegToRad = Pi * (1.0 / 180.0);
