// Symmetric Dirichlet descent preconditioned by the rest mesh's cotangent Laplacian,
// with a line search kept below the first step at which a triangle loses its area.
#include "StretchSolve.h"

#include <Eigen/SparseCholesky>
#include <Eigen/SparseCore>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double INF = std::numeric_limits<double>::infinity();
// Share of the largest sign-keeping step that a search starts from: at the step itself
// a triangle has no area and the energy no value.
constexpr double STEP_MARGIN = 0.9;
// Halvings of the step before a direction is given up, and the share of the slope's
// promise that a step must keep (Armijo's rule).
constexpr int MOST_HALVINGS = 30;
constexpr double SUFFICIENT_DECREASE = 1e-4;
// The proxy is the Dirichlet energy's Hessian scaled up: the symmetric energy bends
// about twice as fast near an isometry, so a full step of the scaled proxy rarely
// overshoots.
constexpr double PROXY_SCALE = 4.0;

// A triangle that takes part: its vertices, the sign its UV area keeps, the inverse of
// its rest edge matrix, upper triangular ([[b0, b1], [0, b2]]), and its rest area.
struct Triangle {
    int v[3];
    float sign;
    double b[3];
    double area;
};

// Corner 1 and 2 minus corner 0, as the columns of U (u row, v row).
void edgeMatrix(const double* uv, const Triangle& t, double* u) {
    const double* p0 = uv + 2 * t.v[0];
    const double* p1 = uv + 2 * t.v[1];
    const double* p2 = uv + 2 * t.v[2];
    u[0] = p1[0] - p0[0], u[1] = p2[0] - p0[0], u[2] = p1[1] - p0[1], u[3] = p2[1] - p0[1];
}

// J = U B.
void jacobian(const double* u, const double* b, double* j) {
    j[0] = u[0] * b[0], j[1] = u[0] * b[1] + u[1] * b[2];
    j[2] = u[2] * b[0], j[3] = u[2] * b[1] + u[3] * b[2];
}

// One triangle's energy; infinite where its UV area has lost its sign.
double triangleEnergy(const double* uv, const Triangle& t) {
    double u[4], j[4];
    edgeMatrix(uv, t, u);
    jacobian(u, t.b, j);
    const double det = j[0] * j[3] - j[1] * j[2];
    if (!(det * t.sign > 0)) return INF;
    const double frobenius = j[0] * j[0] + j[1] * j[1] + j[2] * j[2] + j[3] * j[3];
    return t.area * frobenius * (1 + 1 / (det * det));
}

// Smallest t > 0 with a t^2 + b t + c = 0, else infinity.
double firstPositiveRoot(double a, double b, double c) {
    const double scale = std::max({std::abs(a), std::abs(b), std::abs(c)});
    if (!(scale > 0)) return INF;
    if (std::abs(a) <= 1e-14 * scale) return b != 0 && -c / b > 0 ? -c / b : INF;
    const double discriminant = b * b - 4 * a * c;
    if (discriminant < 0) return INF;
    const double q = -0.5 * (b + std::copysign(std::sqrt(discriminant), b));
    double best = INF;
    for (double root : {q / a, q != 0 ? c / q : INF})
        if (root > 0 && root < best) best = root;
    return best;
}

struct Solver {
    std::vector<Triangle> triangles;
    std::vector<int> unknown;       // per vertex: its row, or -1 when it stays
    int unknowns = 0;
    double area = 0;

    double energy(const double* uv) const {
        double sum = 0;
        for (const Triangle& t : triangles) sum += triangleEnergy(uv, t);
        return sum;
    }

    void gradient(const double* uv, std::vector<double>& g) const {
        std::fill(g.begin(), g.end(), 0.0);
        for (const Triangle& t : triangles) {
            double u[4], j[4];
            edgeMatrix(uv, t, u);
            jacobian(u, t.b, j);
            const double det = j[0] * j[3] - j[1] * j[2];
            const double frobenius = j[0] * j[0] + j[1] * j[1] + j[2] * j[2] + j[3] * j[3];
            const double inverseSquare = 1 / (det * det);
            // dE/dJ = 2 A ((1 + 1/det^2) J - |J|^2 / det^3 cof J), then dE/dU = dE/dJ B^T.
            const double s = 2 * t.area * (1 + inverseSquare), c = -2 * t.area * frobenius * inverseSquare / det;
            const double dj[4] = {s * j[0] + c * j[3], s * j[1] - c * j[2], s * j[2] - c * j[1], s * j[3] + c * j[0]};
            const double du[4] = {dj[0] * t.b[0] + dj[1] * t.b[1], dj[1] * t.b[2], dj[2] * t.b[0] + dj[3] * t.b[1], dj[3] * t.b[2]};
            g[size_t(2 * t.v[1])] += du[0], g[size_t(2 * t.v[1] + 1)] += du[2];
            g[size_t(2 * t.v[2])] += du[1], g[size_t(2 * t.v[2] + 1)] += du[3];
            g[size_t(2 * t.v[0])] -= du[0] + du[1], g[size_t(2 * t.v[0] + 1)] -= du[2] + du[3];
        }
    }

    // The largest step along `d` before some triangle's UV area reaches zero.
    double largestStep(const double* uv, const std::vector<double>& d) const {
        double most = INF;
        for (const Triangle& t : triangles) {
            double u[4], w[4];
            edgeMatrix(uv, t, u);
            edgeMatrix(d.data(), t, w);
            // det(U + t W) = det W t^2 + (U00 W11 + W00 U11 - U01 W10 - W01 U10) t + det U
            const double a = w[0] * w[3] - w[1] * w[2];
            const double b = u[0] * w[3] + w[0] * u[3] - u[1] * w[2] - w[1] * u[2];
            most = std::min(most, firstPositiveRoot(a, b, u[0] * u[3] - u[1] * u[2]));
        }
        return most;
    }
};

// The proxy and its inverse: a factorisation, or Jacobi-preconditioned conjugate
// gradients from zero (whose every iterate is a descent direction too). The matrix is
// symmetric, so its rows in compressed form are its columns too.
struct Proxy {
    std::vector<int> first, column;  // row r: column[first[r]] ... column[first[r + 1] - 1], ascending
    std::vector<double> value;
    Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>, Eigen::Lower> factor;
    bool factored = false;
    std::vector<double> inverseDiagonal;
    std::vector<int> firstAt, cornerAt, nextAt;  // the corners at each unknown, while building
    std::vector<double> direction, product;            // of the conjugate gradients

    // Rest area x the products of the corners' gradient vectors, row by row from the
    // triangles at each unknown. Parts without a held vertex may slide as a whole; a
    // slight pull to where they are makes the matrix definite without steering the step.
    void build(const Solver& solver) {
        const int n = solver.unknowns;
        firstAt.assign(size_t(n) + 1, 0);
        for (const Triangle& t : solver.triangles)
            for (int v : t.v)
                if (solver.unknown[size_t(v)] >= 0) ++firstAt[size_t(solver.unknown[size_t(v)]) + 1];
        for (int r = 0; r < n; ++r) firstAt[size_t(r) + 1] += firstAt[size_t(r)];
        cornerAt.resize(size_t(firstAt.back()));
        nextAt.assign(firstAt.begin(), firstAt.end() - 1);
        for (size_t i = 0; i < solver.triangles.size(); ++i)
            for (int c = 0; c < 3; ++c)
                if (const int r = solver.unknown[size_t(solver.triangles[i].v[c])]; r >= 0) cornerAt[size_t(nextAt[size_t(r)]++)] = int(3 * i) + c;
        first.assign(1, 0);
        column.clear(), value.clear();
        column.reserve(8 * size_t(n)), value.reserve(8 * size_t(n));
        double largestDiagonal = 0;
        for (int r = 0; r < n; ++r) {
            const size_t start = column.size();
            for (int k = firstAt[size_t(r)]; k < firstAt[size_t(r) + 1]; ++k) {
                const Triangle& t = solver.triangles[size_t(cornerAt[size_t(k)] / 3)];
                const int a = cornerAt[size_t(k)] % 3;
                const double grad[3][2] = {{-t.b[0], -t.b[1] - t.b[2]}, {t.b[0], t.b[1]}, {0, t.b[2]}};
                for (int b = 0; b < 3; ++b) {
                    const int c = solver.unknown[size_t(t.v[b])];
                    if (c < 0) continue;
                    const double x = PROXY_SCALE * t.area * (grad[a][0] * grad[b][0] + grad[a][1] * grad[b][1]);
                    size_t at = start;
                    while (at < column.size() && column[at] != c) ++at;
                    if (at == column.size()) column.push_back(c), value.push_back(0.0);
                    value[at] += x;
                }
            }
            // A few columns per row: sorted by insertion.
            for (size_t i = start + 1; i < column.size(); ++i)
                for (size_t j = i; j > start && column[j - 1] > column[j]; --j)
                    std::swap(column[j - 1], column[j]), std::swap(value[j - 1], value[j]);
            first.push_back(int(column.size()));
            for (size_t i = start; i < column.size(); ++i)
                if (column[i] == r) largestDiagonal = std::max(largestDiagonal, value[i]);
        }
        inverseDiagonal.resize(size_t(n));
        for (int r = 0; r < n; ++r)
            for (int k = first[size_t(r)]; k < first[size_t(r) + 1]; ++k)
                if (column[size_t(k)] == r) value[size_t(k)] += 1e-9 * largestDiagonal, inverseDiagonal[size_t(r)] = 1 / value[size_t(k)];
    }

    bool prepare(bool factorise) {
        factored = factorise;
        if (!factorise) return std::all_of(inverseDiagonal.begin(), inverseDiagonal.end(), [](double e) { return std::isfinite(e); });
        const Eigen::Map<const Eigen::SparseMatrix<double>> matrix(Eigen::Index(first.size() - 1), Eigen::Index(first.size() - 1),
                                                                  Eigen::Index(column.size()), first.data(), column.data(), value.data());
        factor.compute(Eigen::SparseMatrix<double>(matrix));
        return factor.info() == Eigen::Success;
    }

    // Solves proxy x = rhs, both 2 per unknown (u, v); rhs is used up.
    void solve(std::vector<double>& rhs, std::vector<double>& x, int steps) {
        const size_t n = inverseDiagonal.size();
        if (factored) {
            using Pairs = Eigen::Matrix<double, Eigen::Dynamic, 2, Eigen::RowMajor>;
            Eigen::Map<Pairs>(x.data(), Eigen::Index(n), 2) = factor.solve(Eigen::Map<const Pairs>(rhs.data(), Eigen::Index(n), 2));
            return;
        }
        // Each column its own system, stopped once its residual has shrunk a thousandfold.
        // The steps are fused into three passes over the rows, with u and v side by side.
        std::vector<double>&r = rhs, &p = direction, &q = product;
        p.resize(2 * n), q.resize(2 * n);
        std::fill(x.begin(), x.end(), 0.0);
        double rz[2] = {0, 0}, rr[2] = {0, 0};
        for (size_t i = 0; i < n; ++i)
            for (int c = 0; c < 2; ++c) {
                const double ri = r[2 * i + size_t(c)];
                p[2 * i + size_t(c)] = inverseDiagonal[i] * ri;
                rz[c] += ri * p[2 * i + size_t(c)], rr[c] += ri * ri;
            }
        const double goal[2] = {1e-6 * rr[0], 1e-6 * rr[1]};
        bool active[2] = {true, true};
        for (int step = 0; step < steps; ++step) {
            double pq[2] = {0, 0};
            for (size_t row = 0; row < n; ++row) {
                double u = 0, v = 0;
                for (int k = first[row]; k < first[row + 1]; ++k) {
                    const size_t at = 2 * size_t(column[size_t(k)]);
                    u += value[size_t(k)] * p[at], v += value[size_t(k)] * p[at + 1];
                }
                q[2 * row] = u, q[2 * row + 1] = v;
                pq[0] += p[2 * row] * u, pq[1] += p[2 * row + 1] * v;
            }
            double alpha[2], next[2] = {0, 0};
            for (int c = 0; c < 2; ++c) {
                // A column whose residual is small enough, or whose curvature is gone, stays as it is.
                active[c] = active[c] && pq[c] > 0 && rr[c] > goal[c];
                alpha[c] = active[c] ? rz[c] / pq[c] : 0.0;
                if (active[c]) rr[c] = 0;
            }
            if (!active[0] && !active[1]) break;
            for (size_t i = 0; i < n; ++i)
                for (int c = 0; c < 2; ++c) {
                    if (!active[c]) continue;
                    const size_t at = 2 * i + size_t(c);
                    x[at] += alpha[c] * p[at];
                    const double ri = r[at] -= alpha[c] * q[at];
                    next[c] += ri * (inverseDiagonal[i] * ri), rr[c] += ri * ri;
                }
            double beta[2];
            for (int c = 0; c < 2; ++c) beta[c] = active[c] ? next[c] / rz[c] : 0.0, rz[c] = active[c] ? next[c] : rz[c];
            for (size_t i = 0; i < n; ++i)
                for (int c = 0; c < 2; ++c)
                    if (active[c]) p[2 * i + size_t(c)] = inverseDiagonal[i] * r[2 * i + size_t(c)] + beta[c] * p[2 * i + size_t(c)];
            if (rr[0] <= goal[0] && rr[1] <= goal[1]) break;
        }
    }
};

}  // namespace

struct StretchWork::Parts {
    Solver solver;
    Proxy proxy;
    std::vector<double> g, d, trial, x;
};

StretchWork::StretchWork() = default;
StretchWork::~StretchWork() = default;

bool restShape(const double* p0, const double* p1, const double* p2, double scale, double* rest) {
    double e1[3], e2[3];
    for (int k = 0; k < 3; ++k) e1[k] = (p1[k] - p0[k]) * scale, e2[k] = (p2[k] - p0[k]) * scale;
    const double length = std::sqrt(e1[0] * e1[0] + e1[1] * e1[1] + e1[2] * e1[2]);
    const double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
    const double twiceArea = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    rest[0] = length;
    rest[1] = (e1[0] * e2[0] + e1[1] * e2[1] + e1[2] * e2[2]) / length;
    rest[2] = twiceArea / length;
    return length > 0 && twiceArea > 0 && std::isfinite(rest[0] * rest[1] * rest[2]);
}

StretchResult reduceStretch(StretchMap& map, const StretchOptions& options) {
    StretchWork work;
    return reduceStretch(map, options, work);
}

StretchResult reduceStretch(StretchMap& map, const StretchOptions& options, StretchWork& work) {
    StretchResult result;
    if (!work.parts) work.parts = std::make_unique<StretchWork::Parts>();
    Solver& solver = work.parts->solver;
    solver.triangles.clear(), solver.unknowns = 0;
    const size_t vertexCount = map.uv.size() / 2;
    const size_t triangleCount = std::min(map.corners.size() / 3, map.rest.size() / 3);
    const double* uv = map.uv.data();
    solver.triangles.reserve(triangleCount);
    for (size_t i = 0; i < triangleCount; ++i) {
        Triangle t{};
        bool valid = true;
        for (int c = 0; c < 3; ++c) {
            t.v[c] = map.corners[3 * i + size_t(c)];
            valid = valid && t.v[c] >= 0 && size_t(t.v[c]) < vertexCount && std::isfinite(uv[2 * t.v[c]]) &&
                    std::isfinite(uv[2 * t.v[c] + 1]);
        }
        const double* r = &map.rest[3 * i];
        if (!valid || t.v[0] == t.v[1] || t.v[1] == t.v[2] || t.v[0] == t.v[2] || !(r[0] > 0) || !(r[2] > 0) ||
            !std::isfinite(r[0] * r[1] * r[2]))
            continue;
        // B inverts the rest edge matrix [[r0, r1], [0, r2]].
        t.b[0] = 1 / r[0], t.b[1] = -r[1] / (r[0] * r[2]), t.b[2] = 1 / r[2];
        t.area = 0.5 * r[0] * r[2];
        double u[4];
        edgeMatrix(uv, t, u);
        const double det = u[0] * u[3] - u[1] * u[2];
        if (!(det != 0) || !std::isfinite(det) || !std::isfinite(t.area) || !std::isfinite(t.b[1])) continue;
        t.sign = det > 0 ? 1.0f : -1.0f;
        solver.triangles.push_back(t);
        result.area += t.area;
    }
    result.before = result.after = solver.energy(uv);
    if (solver.triangles.empty() || !std::isfinite(result.before)) return result;

    solver.unknown.assign(vertexCount, -1);
    for (const Triangle& t : solver.triangles)
        for (int v : t.v)
            if (solver.unknown[size_t(v)] < 0 && !(size_t(v) < map.held.size() && map.held[size_t(v)]))
                solver.unknown[size_t(v)] = solver.unknowns++;
    if (solver.unknowns == 0 || options.iterations <= 0) return result;

    Proxy& proxy = work.parts->proxy;
    proxy.build(solver);
    if (!proxy.prepare(solver.unknowns <= options.mostFactored)) return result;

    std::vector<double>&g = work.parts->g, &d = work.parts->d, &trial = work.parts->trial, &x = work.parts->x;
    g.resize(2 * vertexCount), d.resize(2 * vertexCount), trial.resize(2 * vertexCount), x.resize(2 * size_t(solver.unknowns));
    // The right-hand side borrows the trial's room, which the search below fills anew.
    std::vector<double>& rhs = trial;
    double energy = result.before;
    for (int step = 0; step < options.iterations; ++step) {
        solver.gradient(map.uv.data(), g);
        for (size_t v = 0; v < vertexCount; ++v)
            if (const int row = solver.unknown[v]; row >= 0) rhs[2 * size_t(row)] = -g[2 * v], rhs[2 * size_t(row) + 1] = -g[2 * v + 1];
        proxy.solve(rhs, x, std::clamp(options.gradientSteps, 1, 1000));
        if (!std::all_of(x.begin(), x.end(), [](double e) { return std::isfinite(e); })) break;
        double slope = 0;
        for (size_t v = 0; v < vertexCount; ++v) {
            const int row = solver.unknown[v];
            d[2 * v] = row >= 0 ? x[2 * size_t(row)] : 0.0;
            d[2 * v + 1] = row >= 0 ? x[2 * size_t(row) + 1] : 0.0;
            slope += g[2 * v] * d[2 * v] + g[2 * v + 1] * d[2 * v + 1];
        }
        if (!(slope < 0)) break;
        double t = std::min(1.0, STEP_MARGIN * solver.largestStep(map.uv.data(), d));
        double next = INF;
        for (int halving = 0; halving < MOST_HALVINGS; ++halving, t *= 0.5) {
            for (size_t k = 0; k < trial.size(); ++k) trial[k] = map.uv[k] + t * d[k];
            next = solver.energy(trial.data());
            if (next < energy && next <= energy + SUFFICIENT_DECREASE * t * slope) break;
        }
        if (!(next < energy)) break;
        map.uv.swap(trial);
        const double gain = energy - next;
        energy = next;
        ++result.steps;
        if (gain < options.tolerance * (energy + gain - 4 * result.area)) break;
    }
    result.after = energy;
    return result;
}
