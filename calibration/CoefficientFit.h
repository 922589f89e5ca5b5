#pragma once
// The coefficient fit of a calibration: from the pairs (reference temperature, raw reading) of
// every calibrated channel to new conversion coefficients, by sensor type. Numbers only: no
// widgets, no database.
//
// Channel order: the channels of `channels`, slot by slot and within a slot in list order;
// pair k of every point belongs to the k-th channel. Each fit returns false, leaving the
// records in an unspecified state, when the points do not fit the type (their count, a count
// of pairs other than the channel count) or cannot determine it, or when a coefficient comes
// out infinite or not a number:
//  - the exact fits (thermocouple, ITS-90) need points that differ pairwise both in their
//    reference temperature (by 1e-6 K at least) and in their reading (by 1e-9 of the reading
//    at least; a thermocouple's reading, a temperature, by 1e-6 K as well);
//  - the least-squares fits (Callendar-Van Dusen, thermistor) take repeated temperatures but
//    need at least as many temperatures 1e-6 K apart as they have coefficients;
//  - the resistance fits (platinum, thermistor) take positive finite resistances only, and a
//    platinum fit gives a positive R0 only;
//  - an exact fit (as many points as coefficients: the thermocouple's 2, Callendar-Van Dusen's
//    3, the thermistor's 4, ITS-90's 3 or 5) must give back every point with its coefficients
//    as they will be written (rounded to singles where the instrument keeps singles): the
//    temperature within 1e-5 of it or 1 mK, the resistance within 1e-5 of it (ITS-90: the
//    reference ratio the instrument takes from the reading within 1e-5 of that of the
//    temperature, and R0 the zero point's reading). Ill-conditioned point sets whose
//    coefficients miss their points are refused so.
//
// `singleSlots`: entry i is true when the instrument of slot i keeps its coefficients as
// singles (Collection::keepsSingleCoefficients); a slot without an entry keeps doubles. The
// thermocouple's gain and offset are singles in every record.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <vector>

#include "Records.h"

namespace CoefficientFit {

using Pair = QPair<double, double>;   // (reference temperature in °C, raw reading)
using Point = QList<Pair>;            // one pair per channel

// The shortest text that reads back to the same double ("-5.775e-07", "100", "0").
QString coefficientText(double value);
// The shortest text that reads back to the same single (correction gain and offset).
QString gainText(float value);

// Thermocouple, exactly 2 points: gain M and offset B of M*reading + B (mxbM, mxbB).
bool fitThermocouple(QList<Point> points, QList<QList<ChannelRecord>> &channels);
// Thermistor, at least 4 points: ln R = c1 + c2*x + c3*x^2 + c4*x^3 with x = 1/(t + 273.15);
// A_C0..D_C3 = c1..c4, R0_C4, A4_C5, B4_C6 = "0".
bool fitThermistor(QList<Point> points, QList<QList<ChannelRecord>> &channels,
                   const QList<bool> &singleSlots = {});
// Platinum: function "ITS90" gets the ITS-90 deviation coefficients, every other function the
// Callendar-Van Dusen A, B, R0. A_C0, B_C1, R0_C4, A4_C5, B4_C6 from the five results;
// C_C2 and D_C3 "0".
bool fitRtd(QList<Point> points, QList<QList<ChannelRecord>> &channels,
            const QList<bool> &singleSlots = {});
// By the stored sensor type "热电偶", "热敏电阻" or "铂电阻"; false for any other.
bool fitChannels(const QString &channelMode, const QList<Point> &points,
                 QList<QList<ChannelRecord>> &channels, const QList<bool> &singleSlots = {});

// R = R0 (1 + A t + B t^2) through at least 3 points: out = [A, B, R0, 0, 0].
bool fitCallendarVanDusen(QList<double> temperatures, QList<double> readings, QList<double> &out);
// ITS-90 deviation functions from 3 or 5 points holding a zero point (within 0.015 °C): the
// middle one of 5; of 3, the lowest (a, b above zero) or the highest (a4, b4 below zero).
// out = [a, b, R0, a4, b4], R0 being the reading at the zero point.
bool fitIts90(QList<double> temperatures, QList<double> readings, QList<double> &out);
void computeIts90(QList<double> temperatures, QList<double> readings, QList<double> &out);
// Three points, the zero point first.
void its90BelowZero(QList<double> temperatures, QList<double> readings, double &a4, double &b4);
void its90AboveZero(QList<double> temperatures, QList<double> readings, double &a, double &b);

// Least squares: the m coefficients of a polynomial in x, constant term first.
QList<double> fitPolynomial(QList<double> xs, QList<double> ys, int m);
// Normal equations on the work matrix a (element [i][j] at i*5 + j, 1-based, at most 4
// coefficients; 26 doubles), solved into c[1..m] (5 doubles).
void polyFit(const std::vector<double> &xs, const std::vector<double> &ys, int n, int m,
             double *a, double *c);
// Gaussian elimination and back substitution on the work matrix a into x[1..n].
void solveLinearSystem(int n, double *a, double *x);

} // namespace CoefficientFit
