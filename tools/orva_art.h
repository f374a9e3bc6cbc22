#pragma once
// The drawing kit of the mascot "Orva" shared by the skin and icon generators: a small
// anti-aliased rasteriser (ellipses and round-ended strokes, filled by supersampling) and
// the character itself, drawn from a pose.
//
// The output must be the same bytes on every run and every machine that builds it, so
// nothing here calls the maths library's transcendental functions (their last bit differs
// between C libraries): sine and cosine are our own series, and only +, -, *, / and sqrt
// (exactly rounded everywhere) touch the coordinates.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace orva {

constexpr double kPi = 3.14159265358979323846;

// Sine by its Taylor series after folding x into [-pi/2, pi/2]; good to about 1e-15.
inline double sine(double x) {
    const double twoPi = 2.0 * kPi;
    x -= twoPi * std::floor(x / twoPi + 0.5);  // now in [-pi, pi]
    if (x > kPi / 2) x = kPi - x;
    if (x < -kPi / 2) x = -kPi - x;
    const double x2 = x * x;
    double term = x, sum = x;
    for (int n = 1; n <= 11; ++n) {
        term *= -x2 / ((2.0 * n) * (2.0 * n + 1.0));
        sum += term;
    }
    return sum;
}
inline double cosine(double x) { return sine(x + kPi / 2); }

struct Color {
    double r = 0, g = 0, b = 0;  // 0..255
};
inline Color rgb(uint32_t hex) {
    return {double((hex >> 16) & 0xFF), double((hex >> 8) & 0xFF), double(hex & 0xFF)};
}
inline Color mix(Color a, Color b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Affine map: world = (a x + b y + e, c x + d y + f).
struct Xform {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
};
inline Xform translate(double x, double y) { return {1, 0, 0, 1, x, y}; }
inline Xform scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
// Clockwise on screen (y points down) for a positive angle.
inline Xform rotate(double angle) {
    const double s = sine(angle), c = cosine(angle);
    return {c, -s, s, c, 0, 0};
}
// The map that applies `inner` first, then `outer`.
inline Xform then(const Xform& inner, const Xform& outer) {
    return {outer.a * inner.a + outer.b * inner.c, outer.a * inner.b + outer.b * inner.d,
            outer.c * inner.a + outer.d * inner.c, outer.c * inner.b + outer.d * inner.d,
            outer.a * inner.e + outer.b * inner.f + outer.e,
            outer.c * inner.e + outer.d * inner.f + outer.f};
}
inline Xform inverse(const Xform& m) {
    const double det = m.a * m.d - m.b * m.c;
    const double ia = m.d / det, ib = -m.b / det, ic = -m.c / det, id = m.a / det;
    return {ia, ib, ic, id, -(ia * m.e + ib * m.f), -(ic * m.e + id * m.f)};
}
inline void apply(const Xform& m, double x, double y, double& ox, double& oy) {
    ox = m.a * x + m.b * y + m.e;
    oy = m.c * x + m.d * y + m.f;
}

// One primitive in local coordinates: an ellipse (optionally turned about its centre) or
// a stroke segment with round ends.
struct Prim {
    enum Kind { Ellipse, Stroke } kind = Ellipse;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // centre, or the segment's two ends
    double rx = 0, ry = 0;                  // radii; a stroke's half width is rx
    double cosA = 1, sinA = 0;              // an ellipse's turn
    double cut = -1e9;  // an ellipse keeps only the part at or below this offset from its centre

    bool contains(double x, double y) const {
        if (kind == Ellipse) {
            const double dx = x - x0, dy = y - y0;
            const double along = dx * cosA + dy * sinA, across = -dx * sinA + dy * cosA;
            if (across < cut) return false;
            const double u = along / rx, v = across / ry;
            return u * u + v * v <= 1.0;
        }
        const double vx = x1 - x0, vy = y1 - y0, wx = x - x0, wy = y - y0;
        const double len2 = vx * vx + vy * vy;
        double t = len2 > 0 ? (wx * vx + wy * vy) / len2 : 0.0;
        t = t < 0 ? 0 : (t > 1 ? 1 : t);
        const double dx = wx - t * vx, dy = wy - t * vy;
        return dx * dx + dy * dy <= rx * rx;
    }
    // Local bounding box, grown by `grow`.
    void bounds(double grow, double& l, double& t, double& r, double& b) const {
        if (kind == Ellipse) {
            const double m = (rx > ry ? rx : ry) + grow;
            l = x0 - m, r = x0 + m, t = y0 - m, b = y0 + m;
        } else {
            const double m = rx + grow;
            l = (x0 < x1 ? x0 : x1) - m, r = (x0 > x1 ? x0 : x1) + m;
            t = (y0 < y1 ? y0 : y1) - m, b = (y0 > y1 ? y0 : y1) + m;
        }
    }
};

// A union of primitives under one transform: filled as one area, so overlapping parts
// of a translucent shape are not darkened twice.
struct Shape {
    std::vector<Prim> prims;
    Xform xf;

    explicit Shape(const Xform& m = Xform()) : xf(m) {}

    Shape& ellipse(double cx, double cy, double rx, double ry, double angle = 0) {
        Prim p;
        p.kind = Prim::Ellipse;
        p.x0 = cx, p.y0 = cy, p.rx = rx, p.ry = ry;
        p.cosA = cosine(angle), p.sinA = sine(angle);
        prims.push_back(p);
        return *this;
    }
    Shape& circle(double cx, double cy, double r) { return ellipse(cx, cy, r, r); }
    // The lower half of an ellipse (flat side up), as an open mouth.
    Shape& halfEllipse(double cx, double cy, double rx, double ry) {
        ellipse(cx, cy, rx, ry);
        prims.back().cut = 0;
        return *this;
    }
    Shape& stroke(double x0, double y0, double x1, double y1, double halfWidth) {
        Prim p;
        p.kind = Prim::Stroke;
        p.x0 = x0, p.y0 = y0, p.x1 = x1, p.y1 = y1, p.rx = halfWidth, p.ry = halfWidth;
        prims.push_back(p);
        return *this;
    }
    // An arc of the circle (cx, cy, radius) from angle a0 to a1 (radians, clockwise on
    // screen from the +x axis), as a chain of strokes.
    Shape& arc(double cx, double cy, double radius, double a0, double a1, double halfWidth,
               int pieces = 10) {
        double px = cx + radius * cosine(a0), py = cy + radius * sine(a0);
        for (int i = 1; i <= pieces; ++i) {
            const double a = a0 + (a1 - a0) * i / pieces;
            const double x = cx + radius * cosine(a), y = cy + radius * sine(a);
            stroke(px, py, x, y, halfWidth);
            px = x, py = y;
        }
        return *this;
    }
    // The same shape grown by w in every direction (an outline drawn under the fill).
    Shape grown(double w) const {
        Shape s(xf);
        for (Prim p : prims) {
            p.rx += w;
            p.ry += w;
            p.cut -= w;
            s.prims.push_back(p);
        }
        return s;
    }
    bool contains(double x, double y) const {
        for (const Prim& p : prims)
            if (p.contains(x, y)) return true;
        return false;
    }
};

// A straight-alpha RGBA picture, painted back to front.
struct Canvas {
    int width = 0, height = 0;
    int samples = 6;  // per pixel in each direction
    std::vector<Color> color;
    std::vector<double> alpha;

    Canvas(int w, int h) : width(w), height(h), color(size_t(w) * h), alpha(size_t(w) * h, 0.0) {}

    void blend(int x, int y, Color c, double a) {
        const size_t i = size_t(y) * width + x;
        const double under = alpha[i] * (1.0 - a), out = a + under;
        if (out <= 0) return;
        Color& d = color[i];
        d = {(c.r * a + d.r * under) / out, (c.g * a + d.g * under) / out,
             (c.b * a + d.b * under) / out};
        alpha[i] = out;
    }

    // Vertical gradient over the whole canvas, opaque.
    void background(Color top, Color bottom) {
        for (int y = 0; y < height; ++y) {
            const Color c = mix(top, bottom, height > 1 ? double(y) / (height - 1) : 0.0);
            for (int x = 0; x < width; ++x) {
                color[size_t(y) * width + x] = c;
                alpha[size_t(y) * width + x] = 1.0;
            }
        }
    }

    void fill(const Shape& s, Color c, double opacity = 1.0) {
        if (s.prims.empty() || opacity <= 0) return;
        // World bounding box from the corners of the local one.
        double l = 1e9, t = 1e9, r = -1e9, b = -1e9;
        for (const Prim& p : s.prims) {
            double pl, pt, pr, pb;
            p.bounds(0.5, pl, pt, pr, pb);
            const double xs[2] = {pl, pr}, ys[2] = {pt, pb};
            for (double lx : xs)
                for (double ly : ys) {
                    double wx, wy;
                    apply(s.xf, lx, ly, wx, wy);
                    l = wx < l ? wx : l, r = wx > r ? wx : r;
                    t = wy < t ? wy : t, b = wy > b ? wy : b;
                }
        }
        const int x0 = l < 0 ? 0 : int(l), y0 = t < 0 ? 0 : int(t);
        const int x1 = r >= width ? width - 1 : int(r), y1 = b >= height ? height - 1 : int(b);
        const Xform inv = inverse(s.xf);
        const int n = samples;
        for (int py = y0; py <= y1; ++py)
            for (int px = x0; px <= x1; ++px) {
                int hits = 0;
                for (int j = 0; j < n; ++j)
                    for (int i = 0; i < n; ++i) {
                        double lx, ly;
                        apply(inv, px + (i + 0.5) / n, py + (j + 0.5) / n, lx, ly);
                        if (s.contains(lx, ly)) ++hits;
                    }
                if (hits) blend(px, py, c, opacity * hits / (n * n));
            }
    }
    // Fill with a dark rim of width w around it.
    void outlined(const Shape& s, Color fillColor, Color rim, double w) {
        fill(s.grown(w), rim);
        fill(s, fillColor);
    }

    static uint8_t channel(double v) {
        const double q = std::floor(v + 0.5);
        return uint8_t(q < 0 ? 0 : (q > 255 ? 255 : q));
    }
};

// ---- the character -------------------------------------------------------------------

enum class Eyes { Open, Sleeping, Happy, Squeezed };
enum class Mouth { Smile, Open, Small };

// Where the character stands and how it holds itself. Lengths in pixels of the 80-pixel
// frame; the character's local origin is the ground point under its middle.
struct Pose {
    double dx = 0;       // sideways offset of the whole character
    double lift = 0;     // height of the body above the ground (a jump)
    double tilt = 0;     // lean of the body about its base, radians, clockwise
    double squash = 1;   // height scale of the body; its width gives way by half as much
    double armL = 0.35;  // arm angles from hanging straight down, outward positive
    double armR = 0.35;
    double footL = 0, footR = 0;       // foot lift
    double antennaX = 0, antennaY = 0;  // bend of the feeler's tip
    Eyes eyes = Eyes::Open;
    Mouth mouth = Mouth::Smile;
    bool feet = true, arms = true, shadow = true;
    bool feeler = true;    // the stalk and bulb on the head
    bool eyeShine = true;  // the white glint in open eyes (lost in tiny pictures)
};

struct Palette {
    Color rim = rgb(0x4A2C22);
    Color body = rgb(0xF79E5B);
    Color bodyShade = rgb(0xE9834A);
    Color belly = rgb(0xFFE2C0);
    Color cheek = rgb(0xFF6F8A);
    Color eye = rgb(0x3A2420);
    Color white = rgb(0xFFFFFF);
    Color mouth = rgb(0x8E2F3A);
    Color tongue = rgb(0xFF8E9E);
    Color bulb = rgb(0xFFD54A);
};

// Draws the character at `place` (local -> canvas), `rim` being the outline width in
// local units and `eyeScale` enlarging the face for tiny pictures.
inline void drawCharacter(Canvas& cv, const Pose& pose, const Xform& place, double rim = 1.3,
                          double eyeScale = 1.0) {
    const Palette pal;
    const double sx = 1.0 / (pose.squash > 0 ? pose.squash : 1.0);
    const double sy = pose.squash;
    const double sway = pose.dx;

    // The body's frame: squash about the base (a squashed body spreads a little), lean,
    // then lift and slide.
    const Xform body = then(then(scale(0.5 * (1.0 + sx), sy), rotate(pose.tilt)),
                            then(translate(sway, -pose.lift), place));
    const Xform ground = then(translate(sway, 0), place);

    if (pose.shadow) {
        const double h = pose.lift < 0 ? 0 : pose.lift;
        const double k = 1.0 - h / 40.0;
        Shape s(ground);
        s.ellipse(0, -0.5, 19.0 * k, 3.4 * k);
        cv.fill(s, rgb(0x000000), 0.13 * k);
    }

    // Feet follow the lean of the body but never sink into the ground, so a leaning
    // dancer stands on one foot and lifts the other a little.
    if (pose.feet) {
        const double c = cosine(pose.tilt), s = sine(pose.tilt);
        for (int side = -1; side <= 1; side += 2) {
            const double up = side < 0 ? pose.footL : pose.footR;
            const double fx = side * 9.5, fy = -4.2 - up;
            double x = c * fx - s * fy, y = s * fx + c * fy - pose.lift;
            if (y > -4.2) y = -4.2;
            Shape f(ground);
            f.ellipse(x, y, 7.2, 4.4, pose.tilt);
            cv.outlined(f, pal.bodyShade, pal.rim, rim);
        }
    }

    // Feeler: a curved stalk from the top of the head to a round bulb.
    const double baseY = -45.5, tipX = pose.antennaX, tipY = -58.0 + pose.antennaY;
    if (pose.feeler) {
        Shape stalk(body);
        const double ctrlX = tipX * 0.2, ctrlY = (baseY + tipY) * 0.5;
        double px = 0, py = baseY;
        for (int i = 1; i <= 8; ++i) {
            const double t = i / 8.0, u = 1.0 - t;
            const double x = u * u * 0.0 + 2 * u * t * ctrlX + t * t * tipX;
            const double y = u * u * baseY + 2 * u * t * ctrlY + t * t * tipY;
            stalk.stroke(px, py, x, y, 1.0);
            px = x, py = y;
        }
        cv.fill(stalk, pal.rim);
        Shape bulb(body);
        bulb.circle(tipX, tipY, 3.6);
        cv.outlined(bulb, pal.bulb, pal.rim, rim);
        Shape shine(body);
        shine.circle(tipX - 1.2, tipY - 1.2, 1.1);
        cv.fill(shine, pal.white, 0.9);
    }

    // Arms go over the body, so a raised arm shows whole.
    auto armShape = [&](int side, double angle) {
        const double shX = side * 18.0, shY = -21.5, len = 9.5;
        Shape a(body);
        a.stroke(shX, shY, shX + side * len * sine(angle), shY + len * cosine(angle), 3.3);
        return a;
    };

    // Body, belly and a soft shade along the lower edge.
    {
        Shape b(body);
        b.ellipse(0, -27.0, 21.5, 20.0);
        cv.outlined(b, pal.body, pal.rim, rim);
        Shape shade(body);
        shade.ellipse(0, -15.5, 17.0, 7.5);
        cv.fill(shade, pal.bodyShade, 0.35);
        Shape belly(body);
        belly.ellipse(0, -17.5, 12.5, 8.5);
        cv.fill(belly, pal.belly);
        Shape gloss(body);
        gloss.ellipse(-10.0, -39.0, 4.5, 2.6, -0.6);
        cv.fill(gloss, pal.white, 0.55);
    }

    if (pose.arms) {
        for (int side = -1; side <= 1; side += 2) {
            const double angle = side < 0 ? pose.armL : pose.armR;
            cv.outlined(armShape(side, angle), pal.body, pal.rim, rim);
        }
    }

    // Face.
    const double ex = 8.5, ey = -30.5, es = eyeScale;
    for (int side = -1; side <= 1; side += 2) {
        const double cx = side * ex;
        switch (pose.eyes) {
        case Eyes::Open: {
            Shape e(body);
            e.ellipse(cx, ey, 3.1 * es, 4.3 * es);
            cv.fill(e, pal.eye);
            if (pose.eyeShine) {
                Shape hl(body);
                hl.circle(cx + 1.0 * es, ey - 1.6 * es, 1.25 * es);
                cv.fill(hl, pal.white);
            }
            break;
        }
        case Eyes::Sleeping: {  // closed, curving down: a sleeper's lids
            Shape e(body);
            e.arc(cx, ey - 2.0, 3.4 * es, 0.25 * kPi, 0.75 * kPi, 0.85 * es);
            cv.fill(e, pal.eye);
            break;
        }
        case Eyes::Happy: {  // closed, curving up: a contented smile of the eyes
            Shape e(body);
            e.arc(cx, ey + 1.5, 3.4 * es, 1.2 * kPi, 1.8 * kPi, 0.85 * es);
            cv.fill(e, pal.eye);
            break;
        }
        case Eyes::Squeezed: {  // > <
            Shape e(body);
            const double w = 2.8 * es, h = 2.6 * es, tip = cx - side * w;
            e.stroke(cx + side * w * 0.6, ey - h, tip, ey, 0.85 * es);
            e.stroke(tip, ey, cx + side * w * 0.6, ey + h, 0.85 * es);
            cv.fill(e, pal.eye);
            break;
        }
        }
        Shape ch(body);
        ch.ellipse(side * 14.5, -23.5, 3.6, 2.2);
        cv.fill(ch, pal.cheek, 0.45);
    }

    switch (pose.mouth) {
    case Mouth::Smile: {
        Shape m(body);
        m.arc(0, -27.5, 3.3, 0.2 * kPi, 0.8 * kPi, 0.8);
        cv.fill(m, pal.eye);
        break;
    }
    case Mouth::Open: {
        Shape m(body);
        m.halfEllipse(0, -26.5, 4.4, 5.0);
        cv.fill(m.grown(0.75), pal.eye);
        cv.fill(m, pal.mouth);
        Shape tongue(body);
        tongue.halfEllipse(0, -23.6, 2.8, 2.0);
        cv.fill(tongue, pal.tongue);
        break;
    }
    case Mouth::Small: {
        Shape m(body);
        m.ellipse(0, -23.5, 1.6, 1.9);
        cv.fill(m.grown(0.6), pal.eye);
        cv.fill(m, pal.mouth);
        break;
    }
    }
}

// ---- little props around the character -------------------------------------------------

// An eighth note with its head at (x, y), `size` 1 being about 14 pixels tall.
inline void drawNote(Canvas& cv, double x, double y, double size, Color c, double opacity = 1.0) {
    Shape n(then(scale(size, size), translate(x, y)));
    n.ellipse(0, 0, 3.2, 2.3, -0.45);
    n.stroke(2.6, -0.8, 2.6, -11.5, 0.8);
    n.stroke(2.6, -11.5, 6.2, -8.0, 0.9);
    n.stroke(6.2, -8.0, 6.0, -5.5, 0.8);
    cv.fill(n, c, opacity);
}

// A letter Z of height h with its top left corner at (x, y).
inline void drawZ(Canvas& cv, double x, double y, double h, Color c) {
    Shape z;
    const double w = h * 0.85, t = h * 0.11;
    z.stroke(x, y, x + w, y, t).stroke(x + w, y, x, y + h, t).stroke(x, y + h, x + w, y + h, t);
    cv.fill(z, c);
}

// A four-pointed twinkle centred at (x, y).
inline void drawSparkle(Canvas& cv, double x, double y, double r, Color c) {
    Shape s;
    s.ellipse(x, y, r, r * 0.28).ellipse(x, y, r * 0.28, r);
    cv.fill(s, c);
}

}  // namespace orva
