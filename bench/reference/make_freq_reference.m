% Direct frequency responses for the frequency engine's tests, by GNU Octave's
% control package (freqresp).
%
% Writes tests/simulation/data/FreqResponseReference.h: Q(jw) = L G K (jw) of
% the 3 x 3 design and of the 2 x 2 example (see make_freq_reference.py for
% the loops) at every point of the default grid, w_k = 0.001 r^k, k = 0 .. 199,
% r = (1000 / 0.001)^(1/200), advanced by repeated multiplication as the
% engine does. Q is the product, page by page, of the freqresp of each block
% (the product of MIMO transfer functions would go through a minimal
% state-space form, which costs digits).
%
% Coefficients are ascending in s in the system and in this script's tables;
% Octave's tf() wants them descending, so they are reversed (fliplr) where tf
% is made.
%
% Run from the repository root: octave --no-gui bench/reference/make_freq_reference.m
pkg load control

STEPS = 200;
r = (1000 / 0.001) ^ (1 / STEPS);
w = zeros(1, STEPS);
w(1) = 0.001;
for k = 2:STEPS
  w(k) = w(k - 1) * r;
end

function sys = block(cells)
  % cells{r, c} = {num ascending, den ascending}
  nums = cell(size(cells)); dens = cell(size(cells));
  for i = 1:numel(cells)
    nums{i} = fliplr(cells{i}{1}); dens{i} = fliplr(cells{i}{2});
  end
  sys = tf(nums, dens);
end

function H = loop_response(L, G, K, w)
  HL = freqresp(L, w); HG = freqresp(G, w); HK = freqresp(K, w);
  H = zeros(rows(HL), columns(HK), numel(w));
  for k = 1:numel(w)
    H(:, :, k) = HL(:, :, k) * HG(:, :, k) * HK(:, :, k);
  end
end

function write_direct(f, name, H)
  % One grid point per line: Q row by row, (re, im) per element.
  [n, m, steps] = size(H);
  fprintf(f, 'inline const double %s[][%d] = {\n', name, 2 * n * m);
  for k = 1:steps
    Q = H(:, :, k).';  % row by row
    parts = [real(Q(:)).'; imag(Q(:)).'];
    fprintf(f, '    {%s},\n', strjoin(arrayfun(@(v) sprintf('%.17g', v), parts(:).', ...
                                                'UniformOutput', false), ', '));
  end
  fprintf(f, '};\n');
end

one = {[1], [1]}; zero_ = {[0], [1]};

G3 = block({{[1], [1 1]}, {[0.5], [1 2]}, {[0.2], [3 1]}; ...
            {[0.3], [2 1]}, {[2], [1 1.5 0.5]}, {[0.4], [1 1]}; ...
            {[0.1], [4 1]}, {[0.2], [2 1]}, {[1.5], [1 2 1]}});
kk = [2 1.5 1]; T = [1 2 1];
K3 = block({{kk(1) * [1 T(1)], [0 T(1)]}, zero_, zero_; ...
            zero_, {kk(2) * [1 T(2)], [0 T(2)]}, zero_; ...
            zero_, zero_, {kk(3) * [1 T(3)], [0 T(3)]}});
I3 = block({one, zero_, zero_; zero_, one, zero_; zero_, zero_, one});

G2 = block({{[1], [1 1]}, {[2], [3 1]}; {[1], [1 1]}, {[1], [1 1]}});
I2 = block({one, zero_; zero_, one});

f = fopen('tests/simulation/data/FreqResponseReference.h', 'w');
fprintf(f, '#pragma once\n// clang-format off\n');
fprintf(f, '// Made by bench/reference/make_freq_reference.m (GNU Octave %s, control package freqresp).\n', version());
fprintf(f, '// L G K (jw) at the %d points of the default grid, row by row, (re, im) per element.\n', STEPS);
fprintf(f, 'namespace freqresp {\n');
write_direct(f, 'kDirect3', loop_response(I3, G3, K3, w));
write_direct(f, 'kDirect2', loop_response(I2, G2, I2, w));
fprintf(f, '}  // namespace freqresp\n');
fclose(f);
