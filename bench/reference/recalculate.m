% The recalculation benchmark's work in GNU Octave's control package, for a
% side-by-side ratio with bench/recalculate.cpp on the same machine:
%   blocks as state-space systems (ss of each block, minreal with tolerance
%   1e-10), the open loop F L G K, the closed loop (feedback), its poles, the
%   transmission zeros of the open loop (zero), the locus (closed-loop poles
%   at every sample point of k1), and the closed-loop response to the command
%   over the whole run (lsim).
% The state-space path is used because the transfer-function path returns far
% too many closed-loop poles for the 3 x 3 design.
%
% Coefficients are written descending here, as tf() wants them (the system
% itself stores them ascending).
%
% Run: octave --no-gui bench/reference/recalculate.m
pkg load control

function sys = block(nums, dens)
  sys = minreal(ss(tf(nums, dens)), 1e-10);
end

function [np, nz, npts] = recalc(G, Kof, k, P, L, F, ts, tf_, steps, minGain, maxGain, c)
  K = Kof(k(1));
  open = minreal(F * L * G * K, 1e-10);
  closed = minreal(feedback(open, eye(rows(F))), 1e-10);
  p = pole(closed);
  z = zero(open);
  factor = (maxGain / minGain) ^ (1 / steps);
  x = minGain;
  npts = 0;
  for j = 1:steps
    cl = minreal(feedback(minreal(F * L * G * Kof(x), 1e-10), eye(rows(F))), 1e-10);
    npts = npts + numel(pole(cl));
    x = x * factor;
  end
  t = (0:floor(tf_ / ts) - 1)' * ts;
  y = lsim(closed * P, repmat(c(:)', numel(t), 1), t);
  np = numel(p); nz = numel(z);
end

function report(name, f, reps)
  times = zeros(reps, 1);
  for r = 1:reps
    tic; [np, nz, npts] = f(); times(r) = toc;
  end
  printf('%s: median %.1f ms over %d runs; closed-loop poles %d, transmission zeros %d, locus points %d\n', ...
         name, 1000 * median(times), reps, np, nz, npts);
end

% (a) the new document: G = 1/(s + 1), K = P = L = 1, F = f = 1, Ts = 0.05, Tf = 30,
% 30-step locus on f (here on the loop gain, which is the same characteristic polynomial).
Ga = block({[1]}, {[1 1]}); one = block({[1]}, {[1]});
report('new document', @() recalc(Ga, @(f) f * one, 1, one, one, one, 0.05, 30, 30, 0.01, 100, 1), 5);

% (b), (c) the 3 x 3 design.
G = block({1, 0.5, 0.2; 0.3, 2, 0.4; 0.1, 0.2, 1.5}, ...
          {[1 1], [2 1], [1 3]; [1 2], conv([1 1], [0.5 1]), [1 1]; [1 4], [1 2], conv([1 1], [1 1])});
T = [1 2 1]; kk = [2 1.5 1];
Kof = @(k1) block({k1 * [T(1) 1], 0, 0; 0, kk(2) * [T(2) 1], 0; 0, 0, kk(3) * [T(3) 1]}, ...
                  {[T(1) 0], 1, 1; 1, [T(2) 0], 1; 1, 1, [T(3) 0]});
I3 = ss(eye(3));
report('3x3, 30-step locus', @() recalc(G, Kof, kk, I3, I3, I3, 0.003, 30, 30, 0.01, 100, [1 1 1]), 5);
report('3x3, 200-step locus', @() recalc(G, Kof, kk, I3, I3, I3, 0.003, 30, 200, 0.01, 100, [1 1 1]), 3);
K = Kof(kk(1));
open = minreal(G * K, 1e-10);
closed = minreal(feedback(open, eye(3)), 1e-10);
printf('3x3 closed-loop poles:\n'); disp(sort(pole(closed)).');
printf('3x3 transmission zeros:\n'); disp(sort(zero(open)).');
