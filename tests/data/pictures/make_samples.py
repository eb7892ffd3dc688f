#!/usr/bin/env python3
# Writes the sample cards of this directory from the pictures in images/
# (made with ImageMagick's convert), each in a form exporters write. The
# cards are checked in; run this only to change them.
import base64, os

here = os.path.dirname(os.path.abspath(__file__))
def b64(name):
    with open(os.path.join(here, 'images', name), 'rb') as f:
        return base64.b64encode(f.read()).decode()

def fold(line, first=75, rest=74, blank=' '):
    # 3.0/4.0 folding: lines of at most 75 octets, continuations after a blank.
    out, line = [line[:first]], line[first:]
    while line:
        out.append(blank + line[:rest])
        line = line[rest:]
    return out

def chunks(text, size):
    return [text[i:i + size] for i in range(0, len(text), size)]

def write(name, cards, end='\r\n'):
    lines = []
    for card in cards:
        lines += ['BEGIN:VCARD'] + card + ['END:VCARD']
    with open(os.path.join(here, name), 'wb') as f:
        f.write(''.join(l + end for l in lines).encode())

# A phone's 2.1: the picture after the colon, continuations after a blank,
# ended by a blank line; a bare PHOTO;JPEG;BASE64 whose lines have no blank
# and no blank line after them; a BMP with blanks inside its base64.
jpeg, gif, png, bmp = b64('portrait.jpg'), b64('icon.gif'), b64('logo.png'), b64('badge.bmp')
write('phone-2.1-pictures.vcf', [
    ['VERSION:2.1', 'N:Silva;Ana;;;', 'FN:Ana Silva'] +
    ['PHOTO;ENCODING=BASE64;TYPE=JPEG:' + jpeg[:44]] + ['    ' + c for c in chunks(jpeg[44:], 72)] + [''] +
    ['TEL;CELL:+1 555 0101'],
    ['VERSION:2.1', 'N:Okafor;Ben;;;', 'FN:Ben Okafor'] +
    ['PHOTO;JPEG;BASE64:'] + chunks(jpeg, 76) + ['EMAIL;INTERNET:ben@example.com'],
    ['VERSION:2.1', 'N:Novak;Petra;;;', 'FN:Petra Novak'] +
    ['PHOTO;ENCODING=BASE64;TYPE=BMP:'] + [' ' + ' '.join(chunks(c, 4)) for c in chunks(bmp, 64)] + [''],
])
# A desktop address book's 3.0: ENCODING=b folded at 75 octets, a LOGO, a
# bare BASE64 without a type, and a photo that is a link.
write('addressbook-3.0-pictures.vcf', [
    ['VERSION:3.0', 'N:Lindqvist;Carla;;;', 'FN:Carla Lindqvist'] +
    fold('PHOTO;ENCODING=b;TYPE=JPEG:' + jpeg) + fold('LOGO;ENCODING=b;TYPE=PNG:' + png) +
    ['ORG:Lindqvist Design'],
    ['VERSION:3.0', 'N:Moreau;Denis;;;', 'FN:Denis Moreau'] + fold('PHOTO;BASE64:' + gif),
    ['VERSION:3.0', 'N:Tanaka;Emi;;;', 'FN:Emi Tanaka', 'PHOTO;VALUE=uri:https://example.com/photos/emi.jpg'],
])
# 4.0: data: URIs, folded with the blank and (as some tools write them)
# without it, and a photo that is a link.
write('rfc6350-4.0-pictures.vcf', [
    ['VERSION:4.0', 'FN:Farid Haddad', 'N:Haddad;Farid;;;'] +
    fold('PHOTO:data:image/jpeg;base64,' + jpeg) + fold('LOGO:data:image/png;base64,' + png),
    ['VERSION:4.0', 'FN:Greta Olsen'] + fold('PHOTO;PREF=1:data:image/gif;base64,' + gif, 75, 75, ''),
    ['VERSION:4.0', 'FN:Hugo Brandt', 'PHOTO;MEDIATYPE=image/png:http://example.org/hugo.png'],
])
