#!/usr/bin/env python3
"""Independent re-computation of the basic result table (Crok, Cmax, P) of a
project, written from the model description alone, standard library only.

    python3 tools/reference_model/reference.py <project dir> [project.atm]
        [--points N] [--all] [--ids R0001,R0002,...]

Compares with <project dir>/<ADRESAR>/<ZAKLADNI>.txt written by zemo.
Only projection JINA with OTOCENI, TSV/CSV text tables and background
concentrations (POZADI) or none are supported.
"""
import math
import os
import struct
import sys

PI = 2 * math.asin(1)
G = 15.174271293851463
DEG = PI / 180


def f32(v):
    return struct.unpack('f', struct.pack('f', float(v)))[0]


def num(s):
    return f32(s.strip().replace(',', '.'))


TYPES = {'JINA': 0, 'SO2': 1, 'PM10': 10, 'TSP': 11, 'NOX': 20, 'NO2': 21,
         'CO': 30, 'ORG': 40, 'BZN': 41}
M = [0.33, 0.25, 0.18, 0.14, 0.1]
TAU = [0.0, 0.1, 0.2, 0.5, 0.9]
A_ = [0.7482, 0.8388, 0.9191, 0.5052, 1.1818]
B_ = [0.9189, 0.9112, 0.9166, 0.9208, 0.9272]
C_ = [0.978, 0.9909, 0.9912, 0.9904, 0.9706]
BZ = [0.2694, 0.2779, 0.263, 0.239, 0.1782]
CZ = [0.595, 0.651, 0.713, 0.787, 0.971]
SZMIN = [1.5, 1.5, 1.5, 3.0, 5.0]
KAPPA = [0.09, 0.41, 1.2]
DUST = {10: [(0.00156, 0.55), (0.01406, 0.45)],
        11: [(0.00156, 0.33), (0.01406, 0.28), (0.03906, 0.22), (0.07656, 0.1),
             (0.12656, 0.04), (0.18906, 0.01), (0.225, 0.02)]}


def read_lines(path):
    with open(path, 'rb') as fh:
        raw = fh.read().decode('cp1250')
    return [ln.rstrip('\r') for ln in raw.split('\n') if ln.strip('\r').strip()]


def split(line, kind):
    sep = {'TSV': '\t', 'CSV': ';'}.get(kind, '\t')
    return [f.strip() for f in line.split(sep)]


def read_project(pdir, name):
    prj = {'points': [], 'pol': [], 'bg': None, 'rot': None, 'proj': 'JINA',
           'adresar': '', 'zakladni': 'IHrIHk'}
    sec = ''
    for ln in read_lines(os.path.join(pdir, name)):
        if ln.startswith('#'):
            continue
        if ln.startswith('['):
            sec = ln.strip('[] ')
            continue
        if '=' not in ln:
            continue
        key, val = ln.split('=', 1)
        if sec != 'ZNECISTUJICI LATKY':
            key = key.upper()
        ent = [v.strip() for v in val.split(',')]
        if sec == 'VYPOCETNI SIT' and key == 'SOUBOR':
            prj['points'].append(ent)
        elif key == 'PROJEKCE':
            prj['proj'] = val.strip().upper()
        elif key == 'OTOCENI':
            prj['rot'] = float(val.strip())
        elif sec == 'ZNECISTUJICI LATKY':
            lims = [num(v) for v in ent[1:3] if num(v) != -1]
            prj['pol'].append({'ind': key.strip(), 'type': TYPES[ent[0].upper()], 'lims': lims})
        elif key in ('BODOVE', 'LINIOVE', 'PLOSNE'):
            prj[key] = ent
        elif key == 'POZADI':
            prj['bg'] = val
        elif sec == 'METEOROLOGIE' and key == 'SOUBOR':
            prj['rose'] = ent
        elif key == 'ADRESAR':
            prj['adresar'] = val
        elif key == 'ZAKLADNI':
            prj['zakladni'] = val
    if prj['proj'] != 'JINA' or prj['rot'] is None:
        sys.exit('only PROJEKCE=JINA with OTOCENI is supported')
    return prj


def read_roses(path, kind, S):
    lines = read_lines(path)
    n = len(split(lines[1], kind)) - 1
    roses = {}
    order = []
    for r0 in range(0, len(lines), 19):
        rid = int(split(lines[r0], kind)[0])
        rows = []
        for i in range(18):
            f = [num(v) for v in split(lines[r0 + 1 + i], kind)[:n + 1]]
            rows.append(f)
        T = sum(rows[3 * c + g][n] for c in range(5) for g in range(3))
        for c in range(6):
            row = rows[3 * c]
            r = row[n] - sum(row[:n])
            for i in range(n):
                row[i] += r / n
        w = 360.0 / n
        v = 360.0 / S
        out = [0.0] * 864
        U = 0.0
        for c in range(5):
            for g in range(3):
                x = rows[3 * c + g]
                k = 0
                while k * v < 360:
                    a = k * v
                    t = int(math.floor(a / w))
                    t2 = 0 if t == n - 1 else t + 1
                    val = x[t] + (x[t2] - x[t]) / w * (a - t * w)
                    out[c * 144 + g * 48 + k] = val
                    U += val
                    k += 1
        for c in range(5):
            for g in range(3):
                for k in range(S):
                    out[c * 144 + g * 48 + k] *= T / U
        for g in range(3):
            for k in range(S):
                out[720 + g * 48 + k] = sum(out[c * 144 + g * 48 + k] for c in range(5))
        if rid not in roses:
            roses[rid] = len(order)
        order.append(out)
    return roses, order


def read_sources(prj, pdir, roses):
    npol = len(prj['pol'])
    has_no2 = any(p['type'] == 21 for p in prj['pol'])
    res = {}
    for key, ncol in (('BODOVE', 10), ('LINIOVE', 12), ('PLOSNE', 11)):
        lst = []
        if key in prj:
            for ln in read_lines(os.path.join(pdir, prj[key][0])):
                f = split(ln, prj[key][1] if len(prj[key]) > 1 else 'TSV')
                s = {'id': f[0]}
                v = [num(x) for x in f[1:ncol]]
                i = ncol
                s['r'] = 0.0
                if has_no2:
                    s['r'] = num(f[i])
                    i += 1
                s['e'] = [num(f[i + p]) * 1e6 for p in range(npol)]
                if key == 'LINIOVE':
                    (s['x'], s['y'], s['z'], s['x1'], s['y1'], s['z1'], hours) = v[:7]
                    s['cls'] = int(f[8]); s['rose'] = roses[int(f[10])]
                    s['W'] = v[10]
                else:
                    (s['x'], s['y'], s['z'], s['h'], Q, hours) = v[:6]
                    s['cls'] = int(f[7]); s['rose'] = roses[int(f[9])]
                    if key == 'PLOSNE':
                        s['S'] = v[9]
                        s['q'] = Q ** 0.25 * 25
                    else:
                        s['q'] = Q ** 0.25 * 25 if s['h'] < 100 else Q ** 0.25 * (1.5 * s['h'] - 50) * 0.25
                s['doba'] = hours * (1 / 8760)
                lst.append(s)
        res[key] = lst
    return res


def erf(v):
    z = abs(v)
    t = 1 / (1 + 0.5 * z)
    arg = -z * z - 1.26551223 + t * (1.00002368 + t * (0.37409196 + t * (0.09678418 + t * (
        -0.18628806 + t * (0.27886807 + t * (-1.13520398 + t * (1.48851587 + t * (
            -0.82215223 + t * 0.17087277))))))))
    erfc = 0.0 if arg < -115.129 else t * math.exp(arg)
    if v < 0:
        erfc = 2 - erfc
    return 1 - erfc


def no2f(t, r):
    if t < 10000:
        t2 = t * t
        A = math.sqrt((8.61530983811292e-05 + 0.000125641126713236 * t2 + 1.4301615263084e-11 * t2 * t2) /
                      (1 + 0.000256197971147294 * t2 + 2.55424869623515e-11 * t2 * t2 - 1.93997346941595e-21 * t2 ** 3))
        c = [-0.0046668084332505, -0.0252493007030302, 0.000182107226128173, -4.18748983702648e-07,
             3.03127355966533e-10, 6.18255788866292e-14]
        dd = [1, -0.00588816292436048, 0.000127093185032163, -4.51541066324107e-07, 6.31889405927487e-10,
              3.63666992785509e-14]
        B = sum(c[i] * t ** i for i in range(6)) / sum(dd[i] * t ** i for i in range(6))
        Gt = 1 / (1.06121019528031 + 0.0221325458160538 * t + 6.8475294143094e-05 * t2)
        return r * Gt + A, r * Gt + 0.2 * B + A
    return 0.75, 0.95


def removal(typ, x, u):
    if typ == 1:
        return math.exp(-4.81e-5 * x / u)
    if typ == 41:
        return math.exp(-0.693 * x / (u * 3600 * 155.01))
    return 1.0


def vterm(typ, dz, H, Hd0, reset, sz, xdrop, u):
    if typ in DUST:
        zr = dz if dz > 0 else 0.0
        Hd = Hd0
        V = 0.0
        for v, w in DUST[typ]:
            Hd -= v * xdrop / u
            if Hd < 0:
                Hd = reset
            if 0.8 * Hd < zr:
                zr = 0.8 * Hd
            t = abs(zr - Hd) / sz
            if t <= G:
                V += 2 * w * math.exp(-t * t / 2)
        return V
    zr = min(dz, 0.8 * H) if dz > 0 else 0.0
    t = abs(zr - H) / sz
    return 2 * math.exp(-t * t / 2) if t <= G else 0.0


def frame(xr, yr, xq, yq, phi):
    dx, dy = xr - xq, yr - yq
    return -dx * math.sin(phi) - dy * math.cos(phi), dx * math.cos(phi) - dy * math.sin(phi)


class Model:
    def __init__(self, prj, src, roses, S, speeds, build, peak):
        self.prj, self.src, self.roses = prj, src, roses
        self.S, self.cs, self.bc, self.pk = S, speeds, build, peak
        self.dth = 360.0 / S
        self.tan = math.tan(self.dth * PI / 180)

    def point(self, s, k, sc, d, xr, yr, zr, cls_k, remote, conc, j, annual):
        P = self.prj['pol']
        h = s['h']
        phi = (d * self.dth - self.prj['rot']) * PI / 180
        m = M[cls_k]
        if remote:
            u = self.cs[sc] * (0.1 * h) ** 0.14
        elif h <= 10:
            u = self.cs[sc]
        else:
            u = self.cs[sc] * (0.1 * h) ** m
            phi += (h - 10) * PI / 4500
        x, y = frame(xr, yr, s['x'], s['y'], phi)
        if x < 1:
            return
        dz = zr - s['z']
        dh = s['q'] / u
        xf = (20 / 3) * KAPPA[sc] * dh * (0.5 * (h + dh)) ** m
        if x < xf:
            dh = dh * (x / xf) ** (2 / 3)
        H = h + dh + (TAU[cls_k] * dz if dz > 0 else 0)
        L = math.log10(x / 100) if x / 100 >= 1 else 0
        sy = max(10 ** (A_[cls_k] + B_[cls_k] * L ** C_[cls_k]) + x * self.tan, 10)
        sz = max(BZ[cls_k] * x ** CZ[cls_k], 10.0 if remote else SZMIN[cls_k])
        if abs(y) / sy > G:
            return
        f = self.roses[s['rose']][720 + 48 * sc + d]
        for p, pol in enumerate(P):
            E = s['e'][p]
            if E == 0:
                continue
            typ = pol['type']
            if typ in (20, 21):
                E *= 1.667
            V = vterm(typ, dz, H, h + dh, h, sz, x, u)
            D = removal(typ, x, u)
            F1, F2 = no2f(x / u, s['r']) if typ == 21 else (1.0, 1.0)
            C0 = E * D * V * math.exp(-y * y / (2 * sy * sy)) / (2 * PI * u * sy * sz)
            val = C0 * 0.9 * max(F1, F2)
            for kk in (range(5) if remote else [k]):
                conc[p][144 * kk + 48 * sc + d] += val
            if annual:
                conc[p][720 + 48 * sc + d] += C0 * (F1 + F2) / 2 * s['doba'] * f / 100

    def line(self, s, k, sc, d, xr, yr, zr, conc):
        P = self.prj['pol']
        u = self.cs[sc]
        phi = (d * self.dth - self.prj['rot']) * PI / 180
        x0, y0, x1, y1 = s['x'], s['y'], s['x1'], s['y1']
        ddx, ddy = x0 - x1, y0 - y1
        Ls = math.sqrt(ddx * ddx + ddy * ddy)
        if Ls < 0.00001:
            return
        W = s['W']
        mx, my = (x0 + x1) / 2, (y0 + y1) / 2
        if ddx != 0 and ddy != 0:
            lam = ddy / ddx
            Fx = ((-1 / lam) * xr - lam * x1 + y1 - yr) / ((-1 / lam) - lam)
            Fy = lam * (Fx - x1) + y1
        elif ddx == 0:
            Fx, Fy = x0, yr
        else:
            Fx, Fy = xr, y0
        dist = abs(ddx * (yr - y1) - ddy * (xr - x1)) / Ls
        inside = min(x0, x1) <= xr <= max(x0, x1) and min(y0, y1) <= yr <= max(y0, y1)
        ux, uy = xr, yr
        if dist <= W / 2 and inside:
            ux, uy = Fx, Fy
            if abs(Fx - mx) < 1e-6 and abs(Fy - my) < 1e-6:
                ux += 1
                uy += 1
        l = Ls / 2
        if ddy == 0:
            al = 90.0 if ddx > 0 else 270.0
        elif ddx == 0:
            al = 0.0 if ddy > 0 else 180.0
        else:
            sg = lambda v: 1 if v > 0 else -1
            al = (2 - sg(ddx) * (sg(ddy) + 1)) * 90 + math.atan(ddx / ddy) / DEG
        ph = phi + 2 * PI if phi < 0 else phi
        psi = math.fmod(ph / DEG, 360.0)
        if psi < 0:
            psi += 360
        be = abs(psi - al)
        if 90 <= be < 180:
            be = 180 - be
        elif 180 <= be < 270:
            be = be - 180
        elif 270 <= be < 360:
            be = 360 - be
        sb, cb = math.sin(be * DEG), math.cos(be * DEG)
        x, y = frame(ux, uy, mx, my, phi)
        dz = zr - (s['z'] + s['z1']) / 2
        sz0 = max((10 / 43) * W, SZMIN[k])
        sy0 = (20 / 43) * W
        if not (x >= -1e-9 and x - abs(l * cb) <= 1000 and abs(y) - abs(l * sb) <= 1000):
            return
        Ly = math.log10(sy0) if sy0 >= 1 else 0
        q = (Ly - A_[k]) / B_[k]
        xvy = 10 ** (q ** (1 / C_[k]) + 2) if q > 0 else 100
        L = math.log10((x + xvy) / 100) if (x + xvy) / 100 >= 1 else 0
        sy = max(10 ** (A_[k] + B_[k] * L ** C_[k]) + sy0, 10)
        xvz = (sz0 / BZ[k]) ** (1 / CZ[k])
        sz = max(BZ[k] * (x + xvz) ** CZ[k], sz0)
        szt = sz + sz0
        e1 = (l * sb + y) / (math.sqrt(2) * sy)
        e2 = (l * sb - y) / (math.sqrt(2) * sy)
        es = erf(e1) + erf(e2)
        if es < 0:
            es = 0.0
        f = self.roses[s['rose']][720 + 48 * sc + d]
        for p, pol in enumerate(P):
            E = s['e'][p]
            if E == 0:
                continue
            typ = pol['type']
            if typ in DUST:
                V = vterm(typ, dz, 0, sz0, 0.0, szt, x, u)
            else:
                V = 2.0
            F1, F2 = no2f(x / u, s['r']) if typ == 21 else (1.0, 1.0)
            Fm = max(F1, F2)
            D = removal(typ, x, u)
            Ep = self.pk[0] * E / Ls
            C = Ep * D * V * Fm * es / (2 * math.sqrt(2 * PI) * u * szt) * 0.9
            conc[p][144 * k + 48 * sc + d] += C
            if k == 3:
                fN = 1.667 if typ in (20, 21) else 1
                conc[p][720 + 48 * sc + d] += C * fN * s['doba'] * f * 0.5 * (F1 + F2) / (90 * self.pk[0] * Fm)

    def area(self, s, k, sc, d, xr, yr, zr, conc):
        P = self.prj['pol']
        h, Sq = s['h'], s['S']
        phi = (d * self.dth - self.prj['rot']) * PI / 180
        if h <= 10:
            u = self.cs[sc]
        else:
            u = self.cs[sc] * (0.1 * h) ** M[k]
            phi += (h - 10) * PI / 4500
        x, y = frame(xr, yr, s['x'], s['y'], phi)
        dz = zr - s['z']
        R = Sq / math.sqrt(PI)
        if not (x - R <= 2500 and abs(y) - R <= 1000):
            return
        dh = s['q'] / u if s['q'] >= 0.00001 else SZMIN[k]
        T = TAU[k] * dz if (dz > 0 and s['cls'] != 2) else 0.0
        xf = (20 / 3) * KAPPA[sc] * dh * (0.5 * (h + dh)) ** M[k]
        f = self.roses[s['rose']][720 + 48 * sc + d]
        sq2 = math.sqrt(2)

        def virt(sy0, sz0):
            Ly = math.log10(sy0) if sy0 >= 1 else 0
            q = max((Ly - A_[k]) / B_[k], 0)
            return 10 ** (q ** (1 / C_[k]) + 2), (sz0 / BZ[k]) ** (1 / CZ[k])

        for p, pol in enumerate(P):
            E = s['e'][p]
            if E == 0:
                continue
            typ = pol['type']
            if s['cls'] == 2:
                Ed = E * self.bc[1] / Sq ** 2
            elif typ in (20, 21):
                Ed = E * self.bc[0] / (0.5 * Sq ** 2)
            else:
                Ed = E * self.bc[0] / (0.4 * Sq ** 2)
            if typ in (20, 21, 30):
                Ed *= self.pk[1]
            fN = 1.667 if typ in (20, 21) else 1
            D = removal(typ, max(x, 0.0), u)
            F1, F2 = no2f(x / u, s['r']) if typ == 21 else (1.0, 1.0)
            slot = 144 * k + 48 * sc + d
            if x >= Sq / 2 + R:
                dhx = dh * (x / xf) ** (2 / 3) if x < xf else dh
                H = h + dhx + T
                sy0 = (10 / 43) * Sq
                sz0 = max((20 / 43) * h, SZMIN[k])
                xvy, xvz = virt(sy0, sz0)
                L = math.log10((x + xvy - R) / 100) if (x + xvy - R) / 100 >= 1 else 0
                sy = max(10 ** (A_[k] + B_[k] * L ** C_[k]), sy0)
                xz = x + xvz - R
                sz = max(BZ[k] * xz ** CZ[k], sz0)
                syt, szt = sy + sy0, sz + sz0
                V = vterm(typ, dz, H, h + dhx, h, szt, xz, u)
                C0 = D * V * Sq * (erf((R + y) / (sq2 * syt)) + erf((R - y) / (sq2 * syt))) / (4 * sq2 * u * szt)
                conc[p][slot] += C0 * 0.9 * Ed * max(F1, F2)
                if k == 3:
                    conc[p][720 + 48 * sc + d] += Ed * C0 * (F1 + F2) / 2 * fN * s['doba'] * f / 100
                continue
            if x <= R + 1:
                side, offs, e = Sq / 4, [3 * Sq / 8, Sq / 8, -Sq / 8, -3 * Sq / 8], Sq / 8
            else:
                side, offs, e = Sq / 3, [Sq / 3, 0.0, -Sq / 3], Sq / 6
            rs = side / math.sqrt(PI)
            dmin = min(1.41 * e, rs + 1)
            sy0 = (10 / 43) * e
            sz0 = max((20 / 43) * h, SZMIN[k])
            xvy, xvz = virt(sy0, sz0)
            Sm = Sa = 0.0
            for ox in offs:
                for oy in offs:
                    xj, yj = frame(xr, yr, s['x'] + ox, s['y'] + oy, phi)
                    if not (xj >= dmin and abs(yj) <= 2 * rs and xj + xvy - rs >= 100):
                        continue
                    dhj = dh * (xj / xf) ** (2 / 3) if xj < xf else dh
                    Hj = h + dhj + T
                    q = (xj + xvy - rs) / 100
                    L = math.log10(q) if q >= 1 else 0
                    sy = max(10 ** (A_[k] + B_[k] * L ** C_[k]), sy0)
                    sz = max(BZ[k] * (xj + xvz - rs) ** CZ[k], sz0)
                    szt = sz + sz0
                    Phi = (erf((rs + yj) / (sq2 * sy)) + erf((rs - yj) / (sq2 * sy))) * side / (
                        4 * sq2 * self.cs[sc] * szt)
                    V = vterm(typ, dz, Hj, h + dhj, h, szt, xj + xvz - rs, u)
                    Sm += V * Phi
                    if k == 3:
                        Sa += V * Phi * 0.01 * s['doba'] * f
            if typ == 21 and x < R + 1:
                F1, F2 = no2f(R / (2 * u), s['r'])
            if typ in DUST:
                conc[p][slot] += Sm * Ed * 0.9
                if k == 3:
                    conc[p][720 + 48 * sc + d] += Sa * Ed
            elif typ == 21:
                conc[p][slot] += Sm * Ed * D * 0.9 * max(F1, F2)
                if k == 3:
                    conc[p][720 + 48 * sc + d] += 0.5 * (F1 + F2) * Sa * Ed * fN * D
            else:
                conc[p][slot] += Sm * Ed * D * 0.9
                if k == 3:
                    conc[p][720 + 48 * sc + d] += Sa * Ed * fN * D

    def compute(self, rp, bg_total, bg_sector):
        P = self.prj['pol']
        xr, yr = rp['x'], rp['y']
        zr = rp['z'] + rp['hgt']
        conc = [[0.0] * 864 for _ in P]
        roses = self.roses
        for d in range(self.S):
            for sc in range(3):
                for s in self.src['BODOVE']:
                    if s['cls'] == 0 and roses[s['rose']][144 * 3 + 48 * sc + d] >= 0.00001:
                        self.point(s, 3, sc, d, xr, yr, zr, 3, True, conc, 0, True)
        for k in range(5):
            for d in range(self.S):
                for sc in range(3):
                    slot = 144 * k + 48 * sc + d
                    for s in self.src['BODOVE']:
                        if s['cls'] != 0 and roses[s['rose']][slot] >= 0.00001:
                            self.point(s, k, sc, d, xr, yr, zr, k, False, conc, 0, k == 3)
                    for s in self.src['LINIOVE']:
                        if roses[s['rose']][slot] >= 0.00001:
                            self.line(s, k, sc, d, xr, yr, zr, conc)
                    for s in self.src['PLOSNE']:
                        if roses[s['rose']][slot] >= 0.00001:
                            self.area(s, k, sc, d, xr, yr, zr, conc)
        rose = roses[rp['rose']]
        out = []
        for p, pol in enumerate(P):
            crok = sum(conc[p][720 + 48 * sc + d] for sc in range(3) for d in range(self.S)) + bg_total[p]
            cmax = 0.0
            pex = [0.0] * len(pol['lims'])
            for d in range(self.S):
                dmax = -1e32
                dex = [0.0] * len(pol['lims'])
                for k in range(5):
                    for sc in range(3):
                        slot = 144 * k + 48 * sc + d
                        fr = rose[slot]
                        if fr < 0.00001:
                            continue
                        C = conc[p][slot] + bg_sector[p]
                        for i, lim in enumerate(pol['lims']):
                            if C > lim:
                                dex[i] += fr
                        if C > dmax:
                            dmax = C
                        if dmax > cmax:
                            cmax = dmax
                for i in range(len(pex)):
                    pex[i] += dex[i]
            out.append((crok, cmax, pex))
        return out


def read_settings():
    path = os.path.join(os.path.dirname(__file__), '..', '..', 'install', 'etc', 'zemo.cfg')
    vals = []
    try:
        with open(path) as fh:
            vals = [ln.strip() for ln in fh if ln.strip() and not ln.startswith('#')]
    except OSError:
        pass
    if len(vals) < 4:
        return 48, [1.7, 5.0, 11.0], [0.8, 1.0], [2.4, 1.0]
    return (int(vals[0], 0), [f32(v) for v in vals[1].split(',')[:3]],
            [f32(v) for v in vals[2].split(',')[:2]], [f32(v) for v in vals[3].split(',')[:2]])


def main():
    args = sys.argv[1:]
    pdir = args[0]
    atm = args[1] if len(args) > 1 and not args[1].startswith('--') else None
    if atm is None:
        atm = [f for f in os.listdir(pdir) if f.lower().endswith('.atm')][0]
    npts = 40
    ids = None
    if '--points' in args:
        npts = int(args[args.index('--points') + 1])
    if '--ids' in args:
        ids = set(args[args.index('--ids') + 1].split(','))
    prj = read_project(pdir, atm)
    S, speeds, build, peak = read_settings()
    rid, roses = read_roses(os.path.join(pdir, prj['rose'][0]), prj['rose'][1] if len(prj['rose']) > 1 else 'TSV', S)
    src = read_sources(prj, pdir, rid)
    npol = len(prj['pol'])
    bg_total = [0.0] * npol
    if prj['bg']:
        for pair in prj['bg'].split(','):
            ind, val = pair.split(':')
            for p, pol in enumerate(prj['pol']):
                if pol['ind'].upper() == ind.strip().upper():
                    bg_total[p] = f32(val.strip())
    bg_sector = [v / S for v in bg_total]
    model = Model(prj, src, roses, S, speeds, build, peak)
    pts = []
    for ent in prj['points']:
        for ln in read_lines(os.path.join(pdir, ent[0])):
            f = split(ln, ent[1] if len(ent) > 1 else 'TSV')
            pts.append({'id': f[0], 'x': num(f[1]), 'y': num(f[2]), 'z': num(f[3]), 'hgt': num(f[4]),
                        'rose': rid[int(f[5])]})
    if ids is None and '--all' not in args:
        # the points nearest to every source, then an even spread over the rest
        chosen = []
        anchors = [(s['x'], s['y']) for s in src['BODOVE'] + src['PLOSNE']]
        anchors += [((s['x'] + s['x1']) / 2, (s['y'] + s['y1']) / 2) for s in src['LINIOVE']]
        for ax, ay in anchors:
            best = min(pts, key=lambda p: (p['x'] - ax) ** 2 + (p['y'] - ay) ** 2)
            if best['id'] not in chosen:
                chosen.append(best['id'])
        step = max(1, len(pts) // max(1, npts - len(chosen)))
        for p in pts[::step]:
            if p['id'] not in chosen:
                chosen.append(p['id'])
        ids = set(chosen[:max(npts, len(chosen))])
    table = os.path.join(pdir, prj['adresar'], prj['zakladni'] + '.txt')
    rows = {}
    for ln in read_lines(table)[1:]:
        f = ln.split('\t')
        rows[f[0]] = f[3:]
    worst = [[0.0, 0.0, 0] for _ in prj['pol']]
    ndev = 0
    for rp in pts:
        if '--all' not in args and rp['id'] not in ids:
            continue
        res = model.compute(rp, bg_total, bg_sector)
        zr = rows[rp['id']]
        i = 0
        for p, (crok, cmax, pex) in enumerate(res):
            mine = ['%.5f' % crok, '%.2f' % cmax] + ['%.2f' % v for v in pex]
            for name, a in zip(['Crok', 'Cmax'] + ['P_%g' % l for l in prj['pol'][p]['lims']], mine):
                b = zr[i]
                i += 1
                diff = abs(float(a) - float(b))
                rel = diff / abs(float(b)) if float(b) else 0.0
                w = worst[p]
                w[0] = max(w[0], diff)
                w[1] = max(w[1], rel)
                w[2] += 1
                if a != b:
                    ndev += 1
                    print('DEVIATION %s %s_%s reference=%s zemo=%s' % (rp['id'], name, prj['pol'][p]['ind'], a, b))
    for p, pol in enumerate(prj['pol']):
        print('%-5s values=%d max_abs=%.3g max_rel=%.3g' % (pol['ind'], worst[p][2], worst[p][0], worst[p][1]))
    print('deviating printed values: %d' % ndev)
    return 1 if ndev else 0


if __name__ == '__main__':
    sys.exit(main())
