% The frequency sweep of bench/recalculate.cpp (Sweep/N) in GNU Octave, for a
% side-by-side ratio on the same machine: the 3 x 3 design of the
% recalculation benchmark (L = F = I, K diagonal PI) on the grid
% w_k = 0.001 r^k, k = 0 .. N - 1, r = (1000 / 0.001)^(1/N), advanced by
% repeated multiplication, for N = 200, 1,000 and 10,000:
%   evaluation  freqresp of the transfer-function matrix L G K (its elements'
%               numerators and denominators multiplied out once beforehand),
%               and F L G K page by page;
%   inverse     inv of every page;
%   bands       at every 5th point, Gershgorin radii of Q and Q^-1 by columns
%               and rows with the engine's choice, and Ostrowski's radii;
%   loci        eig of F L G K, and [V, D] = eig of L G K with the gains (dB)
%               and misalignment angles, page by page.
% Reports microseconds per point for each part and in all (median of several
% runs), and the checksum bench/recalculate.cpp prints: the sum of the moduli
% of the loci and of the inverse.
%
% Coefficients are written ascending in s here, as the system holds them;
% tf() wants them descending, so they are reversed (fliplr) where tf is made.
%
% Run: octave --no-gui bench/reference/sweep.m
pkg load control

TICK = 5;

function sys = lgk()
  G = {{[1], [1 1]}, {[0.5], [1 2]}, {[0.2], [3 1]}; ...
       {[0.3], [2 1]}, {[2], [1 1.5 0.5]}, {[0.4], [1 1]}; ...
       {[0.1], [4 1]}, {[0.2], [2 1]}, {[1.5], [1 2 1]}};
  k = [2 1.5 1]; T = [1 2 1];
  nums = cell(3); dens = cell(3);
  for r = 1:3
    for c = 1:3
      % L = I and K diagonal: element (r, c) is G(r, c) K(c, c).
      nums{r, c} = fliplr(conv(G{r, c}{1}, k(c) * [1 T(c)]));
      dens{r, c} = fliplr(conv(G{r, c}{2}, [0 T(c)]));
    end
  end
  sys = tf(nums, dens);
end

% a > b by more than rounding (1e-12 of the larger), as the engine compares band sums.
function e = exceeds(a, b)
  e = a - b > 1e-12 * max(abs(a), abs(b));
end

% Rows when the columns violate dominance more, or as much with a larger
% total; sums equal within rounding keep the columns.
function rows = choose_rows(col, row, d)
  vc = sum(max(col - d, 0)); vr = sum(max(row - d, 0));
  rows = exceeds(vc, vr) || (~exceeds(vr, vc) && exceeds(sum(col), sum(row)));
end

function [direct, byRow, inverse, ostrowski] = bands(Q, Qi, f)
  n = rows(Q);
  A = abs(Q); Ai = abs(Qi);
  d = diag(A).'; di = diag(Ai).';
  col = sum(A, 1) - d; row = sum(A, 2).' - d;
  coli = sum(Ai, 1) - di; rowi = sum(Ai, 2).' - di;
  g = abs(f + diag(Qi).');
  rc = coli ./ g; rr = rowi ./ g;
  ostc = zeros(1, n); ostr = zeros(1, n);
  for i = 1:n
    others = [1:i - 1, i + 1:n];
    ostc(i) = max([0, rc(others)]) * coli(i);
    ostr(i) = max([0, rr(others)]) * rowi(i);
  end
  direct = col; if choose_rows(col, row, d), direct = row; end
  inverse = coli; if choose_rows(coli, rowi, di), inverse = rowi; end
  ostrowski = ostc; if choose_rows(ostc, ostr, di), ostrowski = ostr; end
  byRow = row;
end

function [t, checksum] = sweep(sys, w, F, TICK)
  n = numel(w);
  tic;
  Q = freqresp(sys, w);
  FQ = zeros(size(Q));
  for k = 1:n
    FQ(:, :, k) = F * Q(:, :, k);
  end
  t(1) = toc; tic;
  Qi = zeros(size(Q));
  for k = 1:n
    Qi(:, :, k) = inv(Q(:, :, k));
  end
  t(2) = toc; tic;
  f = diag(F).';
  for k = 1:TICK:n
    [a, b, c, o] = bands(Q(:, :, k), Qi(:, :, k), f);
  end
  t(3) = toc; tic;
  loci = zeros(3, n); gains = zeros(3, n); angles = zeros(3, n);
  for k = 1:n
    loci(:, k) = eig(FQ(:, :, k));
    [V, D] = eig(Q(:, :, k));
    gains(:, k) = 20 * log10(abs(diag(D)));
    angles(:, k) = acosd(abs(diag(V)) ./ sqrt(sum(abs(V) .^ 2, 1)).');
  end
  t(4) = toc;
  checksum = sum(abs(loci(:))) + sum(abs(Qi(:)));
end

sys = lgk();
F = eye(3);
for n = [200 1000 10000]
  r = (1000 / 0.001) ^ (1 / n);
  w = zeros(1, n); w(1) = 0.001;
  for k = 2:n
    w(k) = w(k - 1) * r;
  end
  reps = 5;
  times = zeros(reps, 4);
  for rep = 1:reps
    [times(rep, :), checksum] = sweep(sys, w, F, TICK);
  end
  parts = median(times, 1) / n * 1e6;
  total = median(sum(times, 2)) / n * 1e6;
  printf('octave sweep %5d points: %.2f us/point (evaluation %.2f, inverse %.2f, bands %.2f, loci %.2f); checksum %.12g\n', ...
         n, total, parts(1), parts(2), parts(3), parts(4), checksum);
end
