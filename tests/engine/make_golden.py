#!/usr/bin/env python3
"""Writes tests/data/engine/golden.csv: records computed by an independent model of the engine.

The model works on exact rationals and rounds explicitly to the 64-bit significand of the x87 extended type
and to the 53-bit significand of a double, so it shares no arithmetic with the C++ engine. The parameter
table is read from engine/uParamTable.cpp. Run it again only when the table changes on purpose.
"""
import random
import re
import struct
import sys
from decimal import Decimal, ROUND_HALF_UP
from fractions import Fraction
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]


def round_to_bits(x: Fraction, bits: int) -> Fraction:
    """x rounded to `bits` significant bits, ties to even (normal range only)."""
    if x == 0:
        return Fraction(0)
    sign = -1 if x < 0 else 1
    m = abs(x)
    e = m.numerator.bit_length() - m.denominator.bit_length()
    if Fraction(2) ** e > m:
        e -= 1
    # m in [2^e, 2^(e+1)); scale so the significand has `bits` bits
    scale = Fraction(2) ** (bits - 1 - e)
    scaled = m * scale
    q, r = divmod(scaled.numerator, scaled.denominator)
    twice = 2 * r
    if twice > scaled.denominator or (twice == scaled.denominator and q % 2 == 1):
        q += 1
    return sign * Fraction(q) / scale


def ext(x):
    return round_to_bits(Fraction(x), 64)


def dbl(x):
    return round_to_bits(Fraction(x), 53)


def as_float(x: Fraction) -> float:
    f = float(x)
    assert Fraction(f) == x
    return f


THRESHOLD = ext(Fraction(1, 10000))


class Random:
    def __init__(self, seed):
        self.seed = seed & 0xFFFFFFFF
        self.draws = []

    def below(self, n):
        self.seed = (self.seed * 134775813 + 1) & 0xFFFFFFFF
        r = (self.seed * (n & 0xFFFFFFFF)) >> 32
        self.draws.append((n & 0xFFFFFFFF, r))
        return r


def round_half_even(x: Fraction) -> int:
    q, r = divmod(x.numerator, x.denominator)
    twice = 2 * r
    if twice > x.denominator or (twice == x.denominator and q % 2 == 1):
        q += 1
    return q


def random_in_range(rnd, decimals, rng):
    frm, to = Fraction(rng[0]), Fraction(rng[1])
    width = ext(abs(to - frm))
    if width < THRESHOLD:
        return frm
    p = 10 ** decimals if decimals > 0 else 1
    n = (round_half_even(ext(width * p)) + 1) & 0xFFFFFFFF
    r = rnd.below(n)
    v = ext(frm + ext(Fraction(r, p)))
    if v > to:
        v = to
    if v < frm:
        v = frm
    return v


def round_spread(s: float) -> float:
    text = '%.17e' % s
    return float(Decimal(text).quantize(Decimal('0.0001'), rounding=ROUND_HALF_UP))


def find_band(high, low, slot):
    s = as_float(dbl(ext(abs(Fraction(high) - Fraction(low)))))
    s = round_spread(s)
    bands = slot['bands']
    for b in bands:
        if s < b[0]:
            continue
        if s <= b[1]:
            return b
    return bands[-1]


def compute(slot, rec, seed):
    rnd = Random(seed)
    d = slot['decimals']
    cur = Fraction(rec['Current'])
    band = find_band(rec['Highest'], rec['Lowest'], slot)
    out = {}
    out['SellSig'] = as_float(dbl(ext(cur + random_in_range(rnd, d, band[2]))))
    out['BuySig'] = as_float(dbl(ext(cur + random_in_range(rnd, d, band[3]))))

    def adjust(key, rng):
        out[key] = as_float(dbl(ext(Fraction(out[key]) + random_in_range(rnd, d, rng))))

    c = rec['Current']
    if rec['Price24'] < c:
        adjust('BuySig', slot['Buy24'])
    if rec['Price48'] < c:
        adjust('BuySig', slot['Buy48'])
    if rec['Price64'] < c:
        adjust('BuySig', slot['Buy72'])
    if rec['Price24'] > c:
        adjust('SellSig', slot['Sell24'])
    if rec['Price48'] > c:
        adjust('SellSig', slot['Sell48'])
    if rec['Price64'] > c:
        adjust('SellSig', slot['Sell72'])
    out['BuyLimit'] = as_float(dbl(ext(Fraction(out['BuySig']) + random_in_range(rnd, d, slot['LimitRange']))))
    out['SellLimit'] = as_float(dbl(ext(Fraction(out['SellSig']) - random_in_range(rnd, d, slot['LimitRange']))))
    out['BuyStop'] = as_float(dbl(ext(Fraction(out['BuySig']) + random_in_range(rnd, d, slot['StopRange']))))
    out['SellStop'] = as_float(dbl(ext(Fraction(out['SellSig']) - random_in_range(rnd, d, slot['StopRange']))))
    return out, rnd.draws


def parse_table():
    source = (ROOT / 'engine' / 'uParamTable.cpp').read_text()
    slots = {}
    num = r'(-?[0-9.]+)'
    band_re = re.compile(r'\{%s, %s, \{%s, %s\}, \{%s, %s\}\}' % ((num,) * 6))
    for m in re.finditer(r'constexpr TPriceBand (\w+)Bands\[\] = \{(.*?)\};', source, re.S):
        bands = [tuple(float(g) for g in b.groups()) for b in band_re.finditer(m.group(2))]
        bands = [(b[0], b[1], (b[2], b[3]), (b[4], b[5])) for b in bands]
        slots[m.group(1)] = {'bands': bands}
    for m in re.finditer(r'constexpr TCurrencySlotSource (\w+)Slot\{(.*?)\};', source, re.S):
        body = m.group(2)
        slot = slots[m.group(1)]
        slot['name'] = re.search(r'\.Name = "([^"]+)"', body).group(1)
        slot['decimals'] = int(re.search(r'\.Decimals = (\d+)', body).group(1))
        for key, a, b in re.findall(r'\.(\w+) = \{%s, %s\}' % (num, num), body):
            slot[key] = (float(a), float(b))
    # A slot that copies another one's parameters under its own name.
    for m in re.finditer(r'constexpr TCurrencySlotSource (\w+)Slot = \[\] \{\s*TCurrencySlotSource slot = (\w+)Slot;'
                         r'\s*slot\.Name = "([^"]+)";', source):
        slots[m.group(1)] = dict(slots[m.group(2)], name=m.group(3))
    return {s['name']: s for s in slots.values()}


LEVELS = {'GBP/CHF': 2.3, 'EUR/USD': 1.08, 'GBP/USD': 1.27, 'USD/CHF': 0.9, 'USD/JPY': 145.0, 'USD/CAD': 1.36,
          'AUD/USD': 0.66, 'EUR/JPY': 157.0, 'EUR/CHF': 0.97, 'EUR/GBP': 0.86, 'EUR/AUD': 1.64, 'GBP/JPY': 184.0,
          'CHF/JPY': 162.0}

FIELDS = ['Current', 'Highest', 'Lowest', 'Price24', 'Price48', 'Price64']
OUTPUTS = ['BuySig', 'BuyStop', 'BuyLimit', 'SellSig', 'SellStop', 'SellLimit']


def hexd(x):
    return struct.pack('<d', x).hex()


def main():
    table = parse_table()
    gen = random.Random(20021208)
    rows = []
    for _ in range(3000):
        name = gen.choice(sorted(table))
        slot = table[name]
        level = LEVELS[name]
        d = slot['decimals']
        band_top = slot['bands'][-1][1]

        def price():
            return round(level * (1 + gen.uniform(-0.02, 0.02)), d + gen.choice([0, 0, 1, 3]))

        cur = price()
        rec = {'Current': cur}
        spread = round(gen.uniform(0, band_top * 1.3), gen.choice([d, d + 1, 6]))
        low = round(cur - gen.uniform(0, spread), d + 1)
        rec['Lowest'] = low
        rec['Highest'] = low + spread
        for f in ['Price24', 'Price48', 'Price64']:
            rec[f] = cur if gen.random() < 0.15 else price()
        if gen.random() < 0.1:
            rec['Highest'], rec['Lowest'] = rec['Lowest'], rec['Highest']
        y, mo, da = gen.randint(1990, 2040), gen.randint(1, 12), gen.randint(1, 28)
        seed = y * 366 + mo * 12 + da
        out, draws = compute(slot, rec, seed)
        rows.append([name, '%04d-%02d-%02d' % (y, mo, da)] + [hexd(rec[f]) for f in FIELDS] +
                    [hexd(out[f]) for f in OUTPUTS] + [str(len(draws))])
    target = ROOT / 'tests' / 'data' / 'engine' / 'golden.csv'
    with open(target, 'w') as f:
        f.write('# pair,date,' + ','.join(FIELDS + OUTPUTS) + ',draws (doubles as little-endian hex)\n')
        for r in rows:
            f.write(','.join(r) + '\n')
    # The worked example, as a self-check of the model.
    ex = {'Current': 2.3, 'Highest': 2.312, 'Lowest': 2.297, 'Price24': 2.295, 'Price48': 2.305, 'Price64': 2.29}
    out, draws = compute(table['GBP/CHF'], ex, 2002 * 366 + 8 * 12 + 4)
    assert draws == [(3, 0), (3, 2), (3, 2), (3, 2), (2, 1)], draws
    print('worked example:', {k: round(v, 4) for k, v in out.items()}, file=sys.stderr)
    print('wrote', len(rows), 'records to', target, file=sys.stderr)


if __name__ == '__main__':
    main()
