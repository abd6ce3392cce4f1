#pragma once
// Eigenvalues, and on request eigenvectors, of a general complex matrix.
//
// Given an n x n complex matrix A, ComplexEigen finds the n eigenvalues w_c
// (A z_c = w_c z_c) and, when asked, one eigenvector z_c for each. The
// characteristic loci take the eigenvalues of the loop matrix at every
// frequency, and the misalignment angles take the eigenvectors as well.
//
// Method: the complex general eigenproblem of the published eigensystem
// package in double precision, routine for routine and step for step, in the
// revision with radix-16 balancing, rotations through pythag, the convergence
// test by addition and overflow control in the back-substitution:
//   cbal    balances A: rows and columns whose off-diagonal entries are all
//           zero are exchanged to the ends (their eigenvalues are isolated),
//           which leaves an active block low .. igh; its rows and columns are
//           then scaled by powers of 16 until no rescaling reduces the row plus
//           column sum below 0.95 of what it was. Powers of 16 are exact, so
//           balancing and its undoing change no digit.
//   corth   reduces the block to upper Hessenberg form by Householder
//           similarities and keeps their vectors.
//   comqr   eigenvalues only: single-shift complex QR from igh down to low,
//           with the Wilkinson shift of the trailing 2 x 2 block and an
//           exceptional shift at the 11th and 21st iteration on one eigenvalue;
//           h(l, l-1) is negligible when adding it to |h(l-1, l-1)| + |h(l, l)|
//           (moduli as |re| + |im|) changes nothing.
//   comqr2  the same QR with every rotation also applied to the whole matrix
//           and to the accumulated transformation, then back-substitution of
//           the triangular form for its eigenvectors (a zero pivot becomes
//           norm * 0.01^k, a growing vector is divided down) and the product
//           with the transformation.
//   cbabk2  undoes the balancing on the eigenvectors.
//   cg      the driver: cbal, corth, then comqr or comqr2 and cbabk2.
// The eigenvalues come out in the positions they hold in the reduced matrix
// (isolated ones at their permuted positions, the others as deflated from the
// bottom up), not sorted; the eigenvectors are not normalised.
//
// Departures from the published text, all for input it cannot handle:
//   - a matrix with a NaN or infinite entry is refused at once (below), and
//     cbal skips a row whose column or row sum is not finite as it skips a
//     zero sum: no power of 16 brings an infinite sum into range, and its
//     search would never end (finite entries beyond 1e308 / n overflow). It
//     skips a row too when the column sum overflows while it is scaled up
//     (entries near 1e308 beside small ones), or when the scale factor or
//     the row's total factor would leave the normal doubles;
//     every sweep that scales then lowers the sum of the block's off-diagonal
//     moduli, so the balancing ends for every finite matrix;
//   - pythag returns NaN for a NaN argument and infinity for an infinite one,
//     where its iteration would never end; csroot of a NaN is NaN, where the
//     published text assigns nothing;
//   - the exceptional shift reads h(en-1, en-2) only when en-2 is a row of the
//     matrix (0 otherwise: the element left of the first column);
//   - the eigenvector in position 1 gets the unit diagonal too, so it is a
//     true eigenvector also for the eigenvalue 0 (the published
//     back-substitution leaves it multiplied by its eigenvalue).
//
// Cost: about 10 n^3 flops for the reduction and a few QR iterations per
// eigenvalue, each O(n^2). pythag iterates to full precision (three or four
// rounds, two divisions each) on every rotation, which dominates for the small
// matrices of a loop (bench/eigen.cpp times it). No allocation: everything
// lives in the caller's arrays. Reentrant.
//
// Failure is a result: the error code of cg, 0 on success. When 30 n QR
// iterations in all do not suffice, the code is the 1-based position j of the
// eigenvalue being sought; positions j + 1 .. n and the isolated ones are
// final, the others hold values of the unfinished sweep (0 where it wrote
// none); with eigenvectors the back-substitution and cbabk2 are skipped, so Z
// receives the accumulated transformation. Entries beyond about 1e150 can
// overflow inside the shift and end that way. A matrix with a non-finite entry
// gives code n + 1 with every eigenvalue and eigenvector entry NaN. A zero
// matrix gives zero eigenvalues and the identity as eigenvectors.
#include "MC/McComplex.h"

// Eigenvalues of the n x n matrix A to w[0 .. n-1] and, when Z is not null,
// eigenvector c to column c of Z (Z[r * n + c], row-major); returns the error
// code above. A holds 2 n^2 doubles, row-major, real part then imaginary part
// (entry (r, c) at A[2 (r n + c)]). work holds EigenWorkSize(n) doubles,
// used as blocks of n^2 (block k at work + k n^2): 0, 1 the real and
// imaginary parts of the matrix, column-major; 2, 3 the eigenvalues; 4, 5 the
// eigenvectors, column-major; 6 the balancing record; 7, 8 the Householder
// vectors. Z may be the same storage as A: A is copied before Z is written.
// n < 1 computes nothing and returns 0.
int ComplexEigen(const double A[], McComplex w[], McComplex Z[], int n, double work[]);

// The doubles of ComplexEigen's work area for an n x n matrix: 8 n^2 + n.
// Every caller sizes its work area with this.
constexpr long long EigenWorkSize(long long n) {
  return 8 * n * n + n;
}

// ---- the published routines ------------------------------------------------
// Arrays are the published column-major ones with leading dimension nm
// (element (i, j), 1-based, at [(i - 1) + (j - 1) nm]); vectors hold element i
// at [i - 1]; results come back through the reference arguments.

// Eigenvalues (wr, wi) and, when matz != 0, eigenvectors (zr, zi) of (ar, ai);
// fv1, fv2, fv3 are work vectors of n. ierr as above (10 n when n > nm).
void cg(int nm, int n, double ar[], double ai[], double wr[], double wi[], int matz, double zr[],
        double zi[], double fv1[], double fv2[], double fv3[], int& ierr);

// Balances (ar, ai) in place; the active block is rows and columns low .. igh.
// scale(i) holds the index exchanged with i outside the block, the scale
// factor (a power of 16) inside it.
void cbal(int nm, int n, double ar[], double ai[], int& low, int& igh, double scale[]);

// Reduces rows and columns low .. igh of (ar, ai) to upper Hessenberg form; the
// Householder vectors stay in (ortr, orti) and below the subdiagonal.
void corth(int nm, int n, int low, int igh, double ar[], double ai[], double ortr[], double orti[]);

// Eigenvalues of the upper Hessenberg (hr, hi); destroys it.
void comqr(int nm, int n, int low, int igh, double hr[], double hi[], double wr[], double wi[],
           int& ierr);

// Eigenvalues and eigenvectors of the Hessenberg matrix that corth left in
// (hr, hi) with its vectors (ortr, orti); destroys both.
void comqr2(int nm, int n, int low, int igh, double ortr[], double orti[], double hr[], double hi[],
            double wr[], double wi[], double zr[], double zi[], int& ierr);

// Undoes cbal's scaling and exchanges on the m columns of (zr, zi).
void cbabk2(int nm, int n, int low, int igh, const double scale[], int m, double zr[], double zi[]);

// (cr, ci) = (ar, ai) / (br, bi), scaled by |br| + |bi| against overflow.
void cdiv(double ar, double ai, double br, double bi, double& cr, double& ci);

// (yr, yi) = the square root of (xr, xi) with yr >= 0 and yi of the sign of xi.
void csroot(double xr, double xi, double& yr, double& yi);

// sqrt(a^2 + b^2) without overflow or destructive underflow, by iteration.
double pythag(double a, double b);
