% Zero-order-hold and pole/zero references for the loop system's tests.
%
% Writes tests/simulation/data/LoopReference.h. For two loop designs (a SISO
% loop and a 2 x 2 loop) every block element is discretised exactly with a
% zero-order hold (c2d 'zoh' of its own state-space form) and the loop is
% stepped in the simulator's order: r = P c; G's input is u(t-1) + v(t-1), 0 at
% t = 0; y; y + d; z = L (y + d); w = F (z + n); e = r - w; u = K e. Each
% element's output at a sample is C x + D u, formed before its state advances.
% The closed-loop poles come from the state-space path (minreal with
% tolerance 1e-10, feedback, pole) and the transmission zeros from zero() of
% the minimal open loop F L G K.
%
% Coefficients are ascending in s in the system and in the header; Octave's
% tf() wants them descending, so they are reversed (fliplr) where tf is made.
%
% Run from the repository root: octave --no-gui bench/reference/make_loop_reference.m
pkg load control

H = 1 / 128;     % sampling time, exact in binary
STEPS = 400;     % 3.125 s
STRIDE = 4;      % samples 0, 4, 8, ... are stored; the test steps every sample

function m = block(cells)
  % cells{r, c} = {num ascending, den ascending}
  m = cells;
end

function sys = element_ss(e)
  sys = ss(tf(fliplr(e{1}), fliplr(e{2})));
end

function d = discretise(b, h)
  d = cell(size(b));
  for i = 1:numel(b)
    e = b{i};
    if numel(e{2}) == 1
      % A static gain has no state (and no sampling time to convert).
      A = []; B = []; C = []; D = e{1}(1) / e{2}(1);
    else
      [A, B, C, D] = ssdata(c2d(element_ss(e), h, 'zoh'));
    end
    d{i} = struct('A', A, 'B', B, 'C', C, 'D', D, 'x', zeros(size(A, 1), 1));
  end
end

function [out, b] = step_block(b, in)
  out = zeros(rows(b), 1);
  for r = 1:rows(b)
    for c = 1:columns(b)
      e = b{r, c};
      y = e.D * in(c);
      if ~isempty(e.A)
        y = y + e.C * e.x;
        e.x = e.A * e.x + e.B * in(c);
      end
      out(r) = out(r) + y;
      b{r, c} = e;
    end
  end
end

function [yd, u] = simulate(P, K, G, L, F, c, v, d, n, h, steps)
  P = discretise(P, h); K = discretise(K, h); G = discretise(G, h);
  L = discretise(L, h); F = discretise(F, h);
  yd = zeros(rows(G), steps); u = zeros(rows(K), steps);
  for t = 1:steps
    [r, P] = step_block(P, c);
    if t > 1
      gin = u(:, t - 1) + v;
    else
      gin = zeros(rows(K), 1);
    end
    [y, G] = step_block(G, gin);
    yd(:, t) = y + d;
    [z, L] = step_block(L, yd(:, t));
    [w, F] = step_block(F, z + n);
    [u(:, t), K] = step_block(K, r - w);
  end
end

function sys = block_ss(b)
  % The whole block as one state-space system, made minimal.
  nums = cell(size(b)); dens = cell(size(b));
  for i = 1:numel(b)
    nums{i} = fliplr(b{i}{1}); dens{i} = fliplr(b{i}{2});
  end
  sys = minreal(ss(tf(nums, dens)), 1e-10);
end

function [poles, zeros_] = loop_roots(K, G, L, F)
  open = minreal(block_ss(F) * block_ss(L) * block_ss(G) * block_ss(K), 1e-10);
  closed = minreal(feedback(open, eye(rows(F))), 1e-10);
  poles = pole(closed);
  zeros_ = zero(open);
end

function write_rows(f, name, x, stride)
  % One stored sample per line: the columns of x(:, t).
  cols = rows(x);
  fmt = ['    {', strjoin(repmat({'%.17g'}, 1, cols), ', '), '},\n'];
  fprintf(f, 'inline const double %s[][%d] = {\n', name, cols);
  fprintf(f, fmt, x(:, 1:stride:end));
  fprintf(f, '};\n');
end

function write_roots(f, name, r)
  r = sortrows([real(r), imag(r)]);
  fprintf(f, 'inline const double %s[][2] = {\n', name);
  for i = 1:rows(r)
    fprintf(f, '    {%.17g, %.17g},\n', r(i, 1), r(i, 2));
  end
  if rows(r) == 0
    fprintf(f, '    {0, 0},\n');
  end
  fprintf(f, '};\ninline const int %sCount = %d;\n', name, rows(r));
end

one = {[1], [1]}; zero_ = {[0], [1]};

% SISO: K = (1 + 2 s) / s, G = 1 / (1 + 1.5 s + 0.5 s^2), v = 0.1.
P1 = {one}; K1 = {{[1 2], [0 1]}}; G1 = {{[1], [1 1.5 0.5]}}; L1 = {one}; F1 = {one};
[yd1, u1] = simulate(P1, K1, G1, L1, F1, 1, 0.1, 0, 0, H, STEPS);

% 2 x 2: G = [1/(s+1), 2/(s+3); 1/(s+1), 1/(s+1)], K = diag((1+s)/s, (0.5+s)/s),
% c = (1, 0.5), d = (0, 0.2).
g11 = {[1], [1 1]}; g12 = {[2], [3 1]};
P2 = {one, zero_; zero_, one};
K2 = {{[1 1], [0 1]}, zero_; zero_, {[0.5 1], [0 1]}};
G2 = {g11, g12; g11, g11};
L2 = P2; F2 = P2;
[yd2, u2] = simulate(P2, K2, G2, L2, F2, [1; 0.5], [0; 0], [0; 0.2], [0; 0], H, STEPS);

% Poles and zeros: the 2 x 2 process with K = I, and the simulated 2 x 2 design.
[pA, zA] = loop_roots(P2, G2, L2, F2);
[pB, zB] = loop_roots(K2, G2, L2, F2);

f = fopen('tests/simulation/data/LoopReference.h', 'w');
fprintf(f, '#pragma once\n// Made by bench/reference/make_loop_reference.m (GNU Octave, control package).\n');
fprintf(f, '// Zero-order-hold loop runs: h = 1/128, %d samples, every %dth stored, one to a line:\n', STEPS, STRIDE);
fprintf(f, '// SISO {yd, u}, 2 x 2 {yd1, yd2, u1, u2}.\n');
fprintf(f, 'namespace loopref {\ninline const int kSteps = %d;\ninline const int kStride = %d;\n', STEPS, STRIDE);
write_rows(f, 'kSiso', [yd1; u1], STRIDE);
write_rows(f, 'kMimo', [yd2; u2], STRIDE);
fprintf(f, '// Closed-loop poles and transmission zeros, sorted by real then imaginary part.\n');
write_roots(f, 'kPolesProcessOnly', pA); write_roots(f, 'kZerosProcessOnly', zA);
write_roots(f, 'kPolesPi', pB); write_roots(f, 'kZerosPi', zB);
fprintf(f, '}  // namespace loopref\n');
fclose(f);
