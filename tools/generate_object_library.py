#!/usr/bin/env python3
"""Writes src/astro/ObjectLibraryData.cpp, the table of Orv's built-in object library.

The library holds 436 objects: number, common name and catalogue designation
as the Move dialog shows them, and the mean place of equinox 2000.0 (right
ascension in hours, declination in degrees, four decimals). The places are
looked up here in public catalogue data that is available offline:

  stars      Hipparcos positions at J2000.0 from the npm package d3-celestial
             (data/stars.14.json, keyed by Hipparcos number), reached from the
             BS (HR), HD and SAO numbers of the library through Stellarium's
             cross-identification table (stars/default/cross-id.dat);
  deep sky   Stellarium's deep-sky catalogue (nebulae/default/catalog.dat), by
             Messier, NGC, IC, Caldwell, PGC or Cederblad number;
  others     objects none of these catalogues holds take their published
             centre coordinates (PUBLISHED_PLACES below);
  fixed      a few places are carried exactly as the library has always had
             them (FIXED_PLACES below).

Usage (from anywhere; needs python3 only):

  python3 tools/generate_object_library.py [--d3-celestial DIR]
          [--stellarium DIR] [--output FILE]

  --d3-celestial  the unpacked d3-celestial package (the folder holding
                  data/stars.14.json); default /tmp/d3c/package. When it is
                  absent the script fetches d3-celestial@0.7.35 with
                  `npm pack` and unpacks it there.
  --stellarium    Stellarium's data folder; default /usr/share/stellarium
                  (Debian package stellarium-data).
  --output        default src/astro/ObjectLibraryData.cpp of this repository.

The output depends only on these inputs: running the script again with the
same package versions writes the same file byte for byte.
"""

import argparse
import gzip
import json
import math
import os
import re
import struct
import subprocess
import sys
import tarfile
import tempfile

D3_CELESTIAL_VERSION = "0.7.35"
DEFAULT_D3 = "/tmp/d3c/package"
DEFAULT_STELLARIUM = "/usr/share/stellarium"
REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_OUTPUT = os.path.join(REPO, "src", "astro", "ObjectLibraryData.cpp")

# Number, common name, catalogue designation, in array order. The numbers run
# in six groups: 1-109 Messier objects by Messier number; 201-305 showpieces in
# order of right ascension; 401-424 bright stars between +30 and +50 degrees;
# 501-528 the brightest stars, a quasar and double stars; 600-645 bright stars
# of the southern sky; 700-823 southern deep-sky objects.
RECORDS = [
    (1, 'Crab Nebula', 'NGC 1952'),
    (2, 'M 2', 'NGC 7089'),
    (3, 'M 3', 'NGC 5272'),
    (4, 'M 4', 'NGC 6121'),
    (5, 'M 5', 'NGC 5904'),
    (6, 'M6 Butterfly', 'NGC 6405'),
    (7, 'M 7', 'NGC 6475'),
    (8, 'M8 Lagoon Neb', 'NGC 6523'),
    (9, 'M 9', 'NGC 6333'),
    (10, 'M 10', 'NGC 6254'),
    (11, 'M 11', 'NGC 6705'),
    (12, 'M 12', 'NGC 6218'),
    (13, 'M13 Hercules', 'NGC 6205'),
    (14, 'M 14', 'NGC 6402'),
    (15, 'M 15', 'NGC 7078'),
    (16, 'M16 Eagle Neb', 'NGC 6611'),
    (17, 'M17 Omega Neb', 'NGC 6618'),
    (18, 'M 18', 'NGC 6613'),
    (19, 'M 19', 'NGC 6273'),
    (20, 'M20 Triffid', 'NGC 6514'),
    (21, 'M 21', 'NGC 6531'),
    (22, 'M 22', 'NGC 5626'),
    (23, 'M 23', 'NGC 6494'),
    (24, 'M 24', 'NGC 6603'),
    (25, 'M 25', 'IC 4725'),
    (26, 'M 26', 'NGC 6694'),
    (27, 'M 27 Dumbbell', 'NGC 6853'),
    (28, 'M 28', 'NGC 6626'),
    (29, 'M 29', 'NGC 6913'),
    (30, 'M 30', 'NGC 7099'),
    (31, 'M31 Andromeda', 'NGC 224'),
    (32, 'M 32', 'NGC 221'),
    (33, 'M33 Pinwheel', 'NGC 598'),
    (34, 'M 34', 'NGC 1049'),
    (35, 'M 35', 'NGC 2168'),
    (36, 'M 36', 'NGC 1960'),
    (37, 'M 37', 'NGC 2099'),
    (38, 'M 38', 'NGC 1912'),
    (39, 'M 39', 'NGC 7092'),
    (40, 'M 40', 'Winnecke 4'),
    (41, 'M 41', 'NGC 2287'),
    (42, 'M42 Orion Neb', 'NGC 1976'),
    (43, 'M43 NE Ori Neb', 'NGC 1982'),
    (44, 'M44 Praesepe', 'NGC 2632'),
    (45, 'M45 Pleiades', 'OCl 421'),
    (46, 'M 46', 'NGC 2437'),
    (47, 'M 47', 'NGC 2422'),
    (48, 'M 48', 'NGC 2548'),
    (49, 'M 49', 'NGC 4472'),
    (50, 'M 50', 'NGC 2323'),
    (51, 'M51 Whirlpool', 'NGC 5194'),
    (52, 'M 52', 'NGC 7654'),
    (53, 'M 53', 'NGC 5024'),
    (54, 'M 54', 'NGC 6715'),
    (55, 'M 55', 'NGC 6809'),
    (56, 'M 56', 'NGC 6779'),
    (57, 'M57 Ring Neb', 'NGC 6720'),
    (58, 'M 58', 'NGC 4579'),
    (59, 'M 59', 'NGC 4621'),
    (60, 'M 60', 'NGC 4649'),
    (61, 'M 61', 'NGC 4303'),
    (62, 'M 62', 'NGC 6266'),
    (63, 'M63 Sunflower', 'NGC 5055'),
    (64, 'M64 Black-Eye', 'NGC 4826'),
    (65, 'M 65', 'NGC 3623'),
    (66, 'M 66', 'NGC 3627'),
    (67, 'M 67', 'NGC 2682'),
    (68, 'M 68', 'NGC 4590'),
    (69, 'M 69', 'NGC 6637'),
    (70, 'M 70', 'NGC 6681'),
    (71, 'M 71', 'NGC 6838'),
    (72, 'M 72', 'NGC 6981'),
    (73, 'M 73', 'NGC 6994'),
    (74, 'M 74', 'NGC 628'),
    (75, 'M 75', 'NGC 6864'),
    (76, 'M76 Barbell', 'NGC 650'),
    (77, 'M 77', 'NGC 1068'),
    (78, 'M 78', 'NGC 2068'),
    (79, 'M 79', 'NGC 1904'),
    (80, 'M 80', 'NGC 6093'),
    (81, 'M 81', 'NGC 3031'),
    (82, 'M 82', 'NGC 3034'),
    (83, 'M 83', 'NGC 5236'),
    (84, 'M 84', 'NGC 4374'),
    (85, 'M 85', 'NGC 4382'),
    (86, 'M 86', 'NGC 4372'),
    (87, 'M 87', 'NGC 4486'),
    (88, 'M 88', 'NGC 4501'),
    (89, 'M 89', 'NGC 4552'),
    (90, 'M 90', 'NGC 4569'),
    (91, 'M 91', 'NGC 4548'),
    (92, 'M 92', 'NGC 6341'),
    (93, 'M 93', 'NGC 2447'),
    (94, 'M 94', 'NGC 4736'),
    (95, 'M 95', 'NGC 3351'),
    (96, 'M 96', 'NGC 3368'),
    (97, 'M97 Owl Neb', 'NGC 3587'),
    (98, 'M 98', 'NGC 4192'),
    (99, 'M 99', 'NGC 4254'),
    (100, 'M 100', 'NGC 4321'),
    (101, 'M 101', 'NGC 5457'),
    (102, 'M102 = M101', 'NGC 5457'),
    (103, 'M 103', 'NGC 581'),
    (104, 'M104 Sombrero', 'NGC 4594'),
    (105, 'M 105', 'NGC 3379'),
    (106, 'M 106', 'NGC 4258'),
    (107, 'M 107', 'NGC 6171'),
    (108, 'M 108', 'NGC 3556'),
    (109, 'M 109', 'NGC 3992'),
    (201, 'M31 Andromeda', 'NGC 224'),
    (202, 'NGC 253', 'NGC 253'),
    (203, 'eta Cas', 'BS 219'),
    (204, 'gamma Ari', 'BS 545,6'),
    (205, 'alpha Psc', 'BS 595,6'),
    (206, 'gamma And', 'BS 603,4'),
    (207, 'NGC 869 "h"', 'NGC 869'),
    (208, 'NGC 884 "chi"', 'NGC 884'),
    (209, 'iota Cas', 'BS 707'),
    (210, 'gamma Cet', 'BS 804'),
    (211, 'theta Eridanus', 'BS 897,8'),
    (212, '32 Eri', 'BS 1211,2'),
    (213, 'NGC 1535', 'NGC 1535'),
    (214, 'Rigel', 'BS 1713'),
    (215, 'eta Ori', 'BS 1788'),
    (216, 'lambda Ori', 'BS 1879,80'),
    (217, 'Trapezium', 'BS 1893-6'),
    (218, 'M42 Orion Neb', 'NGC 1976'),
    (219, 'iota Ori', 'BS 1899'),
    (220, 'sigma Ori', 'BS 1931,2'),
    (221, 'zeta Ori', 'BS 1948,9'),
    (222, 'M 37', 'NGC 2099'),
    (223, 'theta Aur', 'BS 2095'),
    (224, 'M 35', 'NGC 2168'),
    (225, 'beta Mon', 'BS 2356-8'),
    (226, 'UU Aur', 'BS 2405'),
    (227, '12 Lyn', 'BS 2470'),
    (228, 'Sirius', 'BS 2491'),
    (229, 'delta Gem', 'BS 2777'),
    (230, 'NGC2392 Eskimo', 'NGC 2392'),
    (231, 'Castor', 'BS 2890,1'),
    (232, 'kappa Pup', 'BS 2948,9'),
    (233, 'M 46', 'NGC 2437'),
    (234, 'zeta Cnc', 'BS 3165'),
    (235, 'iota Cnc', 'BS 3474,5'),
    (236, 'M 67', 'NGC 2682'),
    (237, 'M 81', 'NGC 3031'),
    (238, 'M 82', 'NGC 3034'),
    (239, 'gamma Leo', 'BS 4057,8'),
    (240, 'NGC 3242', 'NGC 3242'),
    (241, 'xi UMa', 'BS 4374,5'),
    (242, 'delta Crv', 'BS 4757'),
    (243, '24 Com', 'BS 4791,2'),
    (244, 'M104 Sombrero', 'NGC 4594'),
    (245, 'gamma Vir', 'BS 4825,6'),
    (246, 'Y CVn', 'BS 4846'),
    (247, 'M 94', 'NGC 4736'),
    (248, 'Cor Caroli', 'BS 4914,5'),
    (249, 'M64 Black-Eye', 'NGC 4826'),
    (250, 'Mizar (w/Alcor)', 'BS 5054,5'),
    (251, 'M51 Whirlpool', 'NGC 5194'),
    (252, 'M 3', 'NGC 5272'),
    (253, 'epsilon Boo', 'BS 5505,6'),
    (254, 'xi Boo', 'BS 5544'),
    (255, 'M 5', 'NGC 5904'),
    (256, 'mu Boo', 'BS 5733,4'),
    (257, 'delta Ser', 'BS 5788,9'),
    (258, 'zeta CrB', 'BS 5833,4'),
    (259, 'xi Sco', 'BS 5977,8'),
    (260, 'beta Sco', 'BS 5984,5'),
    (261, 'nu Sco', 'BS 6026,7'),
    (262, 'M 4', 'NGC 6121'),
    (263, 'Antares', 'BS 6134'),
    (264, '16-17 Dra', 'BS 6184-6'),
    (265, 'M13 Hercules', 'NGC 6205'),
    (266, 'NGC 6210', 'NGC 6210'),
    (267, 'M 12', 'NGC 6218'),
    (268, 'M 10', 'NGC 6254'),
    (269, 'alpha Her', 'BS 6406,7'),
    (270, 'delta Her', 'BS 6410'),
    (271, 'M 92', 'NGC 6341'),
    (272, 'rho Her', 'BS 6484,5'),
    (273, 'nu Dra', 'BS 6554,5'),
    (274, 'M6 Butterfly', 'NGC 6405'),
    (275, 'M 7', 'NGC 6475'),
    (276, 'M 23', 'NGC 6494'),
    (277, 'NGC 6543', 'NGC 6543'),
    (278, '95 Her', 'BS 6729,30'),
    (279, 'M8 Lagoon Neb', 'NGC 6523'),
    (280, '70 Oph', 'BS 6752'),
    (281, 'NGC 6572', 'NGC 6572'),
    (282, 'M17 Omega Neb', 'NGC 6618'),
    (283, 'M 22', 'NGC 5626'),
    (284, 'Vega', 'BS 7001'),
    (285, 'epsilon Lyr', 'BS 7051-4'),
    (286, 'M 11', 'NGC 6705'),
    (287, 'M57 Ring Neb', 'NGC 6720'),
    (288, 'theta Ser', 'BS 7141,2'),
    (289, 'Albireo', 'BS 7417,8'),
    (290, 'M 55', 'NGC 6809'),
    (291, 'NGC 6818', 'NGC 6818'),
    (292, 'delta Cyg', 'BS 7528'),
    (293, 'NGC 6826', 'NGC 6826'),
    (294, 'M 27 Dumbbell', 'NGC 6853'),
    (295, 'gamma Del', 'BS 7947,8'),
    (296, 'NGC 7009 Saturn', 'NGC 7009'),
    (297, '61 Cyg', 'BS 8085,6'),
    (298, 'M 15', 'NGC 7078'),
    (299, 'beta Cep', 'BS 8238'),
    (300, 'M 2', 'NGC 7089'),
    (301, 'mu Cep', 'BS 8316'),
    (302, 'zeta Aqr', 'BS 8558,9'),
    (303, 'delta Cep', 'BS 8571'),
    (304, 'NGC 7662', 'NGC 7662'),
    (305, '19 (TX) Psc', 'BS 9004'),
    (401, 'delta And', 'BS 165'),
    (402, 'beta And', 'BS 337'),
    (403, 'gamma And', 'BS 603,4'),
    (404, 'alpha Per', 'BS 1017'),
    (405, 'iota Aur', 'BS 1577'),
    (406, 'beta Aur', 'BS 2088'),
    (407, 'theta Gem', 'BS 2540'),
    (408, 'Castor', 'BS 2890,1'),
    (409, 'iota UMa', 'BS 3569'),
    (410, 'alpha Lyn', 'BS 3705'),
    (411, 'mu UMa', 'BS 4069'),
    (412, 'psi UMa', 'BS 4335'),
    (413, 'Cor Caroli', 'BS 4914,5'),
    (414, 'eta UMa', 'BS 5191'),
    (415, 'gamma Boo', 'BS 5435'),
    (416, 'delta Boo', 'BS 5681'),
    (417, 'tau Her', 'BS 6092'),
    (418, 'pi Her', 'BS 6418'),
    (419, 'Vega', 'BS 7001'),
    (420, 'delta Cyg', 'BS 7528'),
    (421, 'Deneb', 'BS 7924'),
    (422, 'tau Cyg', 'BS 8130'),
    (423, 'eta Peg', 'BS 8650'),
    (424, 'lambda And', 'BS 8961'),
    (501, 'Sirius', 'BS 2491'),
    (502, 'Arcturus', 'BS 5340'),
    (503, 'Vega', 'BS 7001'),
    (504, 'Capella', 'BS 1708'),
    (505, 'Rigel', 'BS 1713'),
    (506, 'Procyon', 'BS 2943'),
    (507, 'Betelgeuse', 'BS 2061'),
    (508, 'Altair', 'BS 7557'),
    (509, 'Aldebaran', 'BS 1457'),
    (510, 'Spica', 'BS 5056'),
    (511, 'Antares', 'BS 6134'),
    (512, 'Pollux', 'BS 2990'),
    (513, 'Deneb', 'BS 7924'),
    (514, '3C273', '3C 273'),
    (515, 'Struve 67', 'BS 1205'),
    (516, 'Struve 1694', 'BS 4892,3'),
    (517, 'Struve 320', 'BS 881'),
    (518, 'psi Dra', 'BS 6636,7'),
    (519, '94 Aqr', 'BS 8866'),
    (520, '55 Psc', 'BS 167'),
    (521, '66 Cet', 'BS 650'),
    (522, 'eta Per', 'BS 834'),
    (523, '6 Tri', 'BS 642'),
    (524, 'mu CMa', 'BS 2593'),
    (525, 'epsilon Mon', 'BS 2298,9'),
    (526, '90 Her', 'BS 6677'),
    (527, 'omicron Oph', 'BS 6424,5'),
    (528, '49 Cyg', 'BS 7921'),
    (600, 'alpha phoenix', 'BS 099'),
    (601, '2 Alpha Scl', 'SAO166716'),
    (602, 'gamma phoenix', 'BS 429'),
    (603, '3 Alpha Eri', 'SAO232481'),
    (604, '4 Nu Eri', 'SAO130197'),
    (605, 'Acamar', 'BS 897,8'),
    (606, '41 Eri', 'BS 1347'),
    (607, '52 Eri', 'BS 1464'),
    (608, '5 Beta Cae', 'SAO195239'),
    (609, 'Phact / Phaet', 'BS 1956'),
    (610, 'delta Columba', 'BS 2296'),
    (611, '17 Beta CMa', 'SAO151428'),
    (612, 'Adhara', 'BS 2618'),
    (613, 'pi Puppis', 'BS 2773'),
    (614, '22 n CMa', 'SAO173651'),
    (615, 'zeta Puppis', 'BS 3208-10'),
    (616, '27 gamma Vela', 'SAO219504'),
    (617, '23 alpha Pyxis', 'SAO199546'),
    (618, 'Suhail', 'BS 3634'),
    (619, 'psi Vel', 'BS 3786'),
    (620, 'alpha Ant', 'BS 4104'),
    (621, 'xi Hya', 'BS 4450'),
    (622, '25 beta Hydra', 'SAO202901'),
    (623, 'beta Crv', 'BS 4786'),
    (624, 'iota Cen', 'BS 5028'),
    (625, '36 beta Cen', 'SAO252582'),
    (626, 'Menkent', 'BS 5288'),
    (627, '86 Proxima Cen', ''),
    (628, 'Alpha Centauri', 'BS 5459'),
    (629, '43 sigma Libra', 'SAO183139'),
    (630, 'gamma Lup', 'BS 5776'),
    (631, 'epsilon Sco', 'BS 6241'),
    (632, 'Shaula', 'BS 6527'),
    (633, 'Kaus Australis', 'BS 6879'),
    (634, 'Ascella', 'BS 7194'),
    (635, '58 alpha Sgr', 'SAO229659'),
    (636, '60 AQ Sgr', 'HD184283'),
    (637, '63 del 227', 'SAO246311'),
    (638, 'theta Sgr', 'BS 7623'),
    (639, '59 omega Cap', 'SAO189781'),
    (640, 'gamma Mic', 'BS 8039'),
    (641, '67 beta 766', 'SAO230667'),
    (642, 'gamma Gru', 'BS 8353'),
    (643, '70 pi Gru', 'SAO231105'),
    (644, 'Formalhout', 'BS 8728'),
    (645, '1 beta Scl', 'SAO214615'),
    (700, 'H 3', 'NGC 055'),
    (701, 'H 6', 'NGC 104'),
    (702, 'H 7', 'NGC 134'),
    (703, '83 NGC247', 'NGC 247'),
    (704, '84 SMC', 'SMC'),
    (705, 'H 19', 'NGC 300'),
    (706, 'H 20', 'NGC 330'),
    (707, 'H 21', 'NGC 346'),
    (708, 'H 23', 'NGC 362'),
    (709, 'H 24', 'NGC 371'),
    (710, 'H 41', 'NGC 613'),
    (711, 'NGC 625', 'NGC 625'),
    (712, 'H 63', 'NGC 908'),
    (713, 'H 68', 'NGC 1039'),
    (714, 'H 73', 'NGC 1097'),
    (715, 'H 83', 'NGC 1261'),
    (716, 'H 84', 'NGC 1291'),
    (717, 'H 86', 'NGC 1313'),
    (718, 'H 87', 'NGC 1316'),
    (719, 'H 88', 'NGC 1325'),
    (720, 'H 89', 'NGC 1350'),
    (721, 'H 91', 'NGC 1365'),
    (722, 'H 92', 'NGC 1379'),
    (723, 'H 94', 'NGC 1380'),
    (724, 'H 95', 'NGC 1399'),
    (725, 'H 97', 'NGC 1433'),
    (726, 'H 98', 'NGC 1448'),
    (727, 'H 106', 'NGC 1511'),
    (728, 'H 108', 'NGC 1531'),
    (729, 'H 113', 'NGC 1549'),
    (730, 'H 114', 'NGC 1559'),
    (731, 'H 116', 'NGC 1566'),
    (732, 'H 131', 'NGC 1672'),
    (733, '16 NGC', 'NGC 1711'),
    (734, 'H 135', 'NGC 1714'),
    (735, 'H 138', 'NGC 1743'),
    (736, 'H 143', 'NGC 1792'),
    (737, 'H 146', 'NGC 1808'),
    (738, 'H 156', 'NGC 1851'),
    (739, 'H 162', 'NGC 1936'),
    (740, '80 LMC', 'LMC'),
    (741, '18 IC418', 'IC418'),
    (742, '21 SN1987A', 'SN 1987a'),
    (743, 'H189 tarantula', 'NGC 2070'),
    (744, '20 NGC2100', 'NGC 2100'),
    (745, '85 Carina Dwarf', ''),
    (746, 'H 232', 'NGC 2298'),
    (747, 'H 284', 'NGC 2516'),
    (748, 'H 314', 'NGC 2660'),
    (749, '28 IC2448', 'IC 2448'),
    (750, 'H 335', 'NGC 2792'),
    (751, 'H 339', 'NGC 2818'),
    (752, 'H 343', 'NGC 2867'),
    (753, 'H 344', 'NGC 2899'),
    (754, '30 R Car', 'HD82901'),
    (755, 'H 359', 'NGC 3114'),
    (756, 'H 366', 'NGC 3195'),
    (757, 'H 371', 'NGC 3199'),
    (758, 'H 374', 'NGC 3211'),
    (759, 'H 387', 'NGC 3293'),
    (760, 'H 390', 'NGC 3324'),
    (761, 'H396 keyhole', 'NGC 3372'),
    (762, 'H 406', 'NGC 3532'),
    (763, '79 NGC3621', 'NGC 3621'),
    (764, '32 NGC3699', 'NGC 3699'),
    (765, 'H 428', 'NGC 3766'),
    (766, 'H 430', 'NGC 3918'),
    (767, 'H 438', 'NGC 4103'),
    (768, 'H 456', 'NGC 4349'),
    (769, 'H 461', 'NGC 4406'),
    (770, '76 Coalsack', '---'),
    (771, '38 Jewel Box', 'NGC 4755'),
    (772, 'H 503', 'NGC 4833'),
    (773, 'H 505', 'NGC 4945'),
    (774, '40 NGC4976', 'NGC 4976'),
    (775, '41 Cen A', 'NGC 5128'),
    (776, 'H524 omega cen', 'NGC 5139'),
    (777, 'H 540', 'NGC 5281'),
    (778, 'H 541', 'NGC 5286'),
    (779, 'H 546', 'NGC 5307'),
    (780, 'H 554', 'NGC 5367'),
    (781, '47 R Cen', 'HD124601'),
    (782, 'H 571', 'NGC 5617'),
    (783, '48 NGC5824', 'NGC 5824'),
    (784, 'H 601', 'NGC 5822'),
    (785, 'H 607', 'NGC 5882'),
    (786, 'H 619', 'NGC 5927'),
    (787, 'H 632', 'NGC 5979'),
    (788, 'H 633', 'NGC 5999'),
    (789, 'H 640', 'NGC 6025'),
    (790, 'H 647', 'NGC 6067'),
    (791, 'H 653', 'NGC 6087'),
    (792, 'H 655', 'NGC 6101'),
    (793, 'H 662', 'NGC 6134'),
    (794, '51 NGC6231', 'NGC 6231'),
    (795, 'H 696', 'NGC 4637'),
    (796, '77 Bug Nebula', 'NGC 6302'),
    (797, '54 U Oph', 'HD156247'),
    (798, 'H 717', 'NGC 6326'),
    (799, 'H 723', 'IC 4651'),
    (800, 'H 726', 'NGC 6352'),
    (801, 'H 736', 'NGC 6388'),
    (802, 'H 739', 'NGC 6397'),
    (803, 'H 741', 'NGC 4663'),
    (804, '56 NGC6441', 'NGC 6441'),
    (805, 'H 758', 'NGC 6496'),
    (806, 'H 776', 'NGC 6541'),
    (807, '57 NGC6553', 'NGC 6553'),
    (808, 'H 791', 'NGC 6584'),
    (809, 'H 825', 'NGC 6684'),
    (810, 'H 849', 'NGC 6744'),
    (811, 'H 850', 'NGC 6752'),
    (812, 'H 895', 'NGC 6868'),
    (813, '62 NGC6925', 'NGC 6925'),
    (814, 'H 928', 'IC 5052'),
    (815, 'H 945', 'NGC 7049'),
    (816, 'H 957', 'NGC 7090'),
    (817, '68 NGC2698', 'NGC 7172'),
    (818, 'H 968', 'NGC 7205'),
    (819, 'H 969', 'NGC 7213'),
    (820, '71 Helix', 'NGC 7293'),
    (821, 'H 992', 'NGC 7410'),
    (822, '74 Ced 211', 'Ced 211'),
    (823, 'H 1015', 'NGC 7793'),
]

# Groups of the library: first number, last number.
GROUPS = [(1, 109), (201, 305), (401, 424), (501, 528), (600, 645), (700, 823)]

# Records whose place does not follow plainly from the designation column.
# Keys: ("M"|"NGC"|"IC"|"C"|"PGC", number) and ("Ced", text) in the deep-sky
# catalogue; ("HR"|"HD"|"SAO"|"HIP", number) for stars; ("PUBLISHED", name).
SOURCES = {
    102: ("M", 101),       # "M102 = M101": the library's M 102 is M 101 (NGC 5457)
    283: ("M", 22),        # M 22 is NGC 6656; the column reads NGC 5626, a galaxy in Centaurus
    713: ("NGC", 1049),    # H 68 is the Fornax globular NGC 1049; the column's NGC 1039 is M 34 at +42.8 deg
    716: ("NGC", 1269),    # NGC 1291 is held under its duplicate designation NGC 1269
    769: ("NGC", 4372),    # H 461 is the Musca globular NGC 4372; the column's NGC 4406 is M 86 at +12.9 deg
    234: ("HR", 3208),     # zeta Cnc is BS 3208-10; the column's BS 3165 is zeta Pup, at -40 deg
    615: ("HR", 3165),     # zeta Pup is BS 3165; the column's BS 3208-10 is zeta Cnc, at +17.6 deg
    704: ("NGC", 292),     # Small Magellanic Cloud
    740: ("PGC", 17223),   # Large Magellanic Cloud
    745: ("PGC", 19441),   # Carina dwarf spheroidal galaxy
    770: ("C", 99),        # Coalsack
    822: ("Ced", "211"),   # the nebula around R Aqr
    627: ("HIP", 70890),   # Proxima Centauri (its place is fixed below)
    # 795 "H 696" and 803 "H 741" stand among objects of 17 h but name the
    # galaxies NGC 4637 and NGC 4663 of 12.7 h; with no other clue to the
    # object meant they keep the places of the designations shown.
    514: ("PUBLISHED", "3C 273"),
    742: ("PUBLISHED", "SN 1987A"),
}

# Published centre coordinates (equinox 2000.0) of objects that none of the
# catalogues above holds: right ascension h m s, declination sign d m s.
PUBLISHED_PLACES = {
    "3C 273": ((12, 29, 6.70), (+1, 2, 3, 8.6)),       # quasar in Virgo, optical nucleus
    "SN 1987A": ((5, 35, 28.0), (-1, 69, 16, 11.1)),   # supernova of 1987 in the LMC
}

# Places the library carries exactly as given (hours, degrees). Every other
# record that names the same object gets the same place, so that one object
# has one place wherever it stands in the library.
FIXED_PLACES = {
    1: (5.575, 22.0167),      # Crab Nebula
    2: (21.5581, -0.8217),    # M 2: south of the equator (catalogue -0.8233 deg)
    201: (0.7128, 41.27),     # M31 Andromeda
    401: (0.6556, 30.8617),   # delta And
    501: (6.7525, -16.7161),  # Sirius
    600: (0.4381, -42.305),   # alpha Phe
    627: (14.495, -62.6833),  # Proxima Centauri
    700: (0.25, -39.2233),    # NGC 55
    823: (23.9644, -32.5717), # NGC 7793
}


def bs_numbers(m):
    """The BS numbers of "BS 545", "BS 545,6" (545 and 546), "BS 1879,80" or
    "BS 1893-6" (1893 to 1896), in the order written."""
    first = int(m.group(1))
    if not m.group(2):
        return [first]
    tail = m.group(3)
    # The second number is written with its last digits only.
    last = int(str(first)[: len(str(first)) - len(tail)] + tail)
    if m.group(2) == ",":
        return [first, last]
    return list(range(first, last + 1))


def source_of(number, catalog):
    """The catalogue key of a record's place."""
    if number in SOURCES:
        return SOURCES[number]
    if 1 <= number <= 109:
        # By Messier number, whatever the designation column says: M 24 is
        # the star cloud (the column names NGC 6603, a cluster inside it), M 34
        # is NGC 1039 (the column: NGC 1049), M 86 is NGC 4406 (NGC 4372).
        return ("M", number)
    m = re.fullmatch(r"BS 0*(\d+)(?:([,-])(\d+))?", catalog)
    if m:
        return ("HR",) + tuple(bs_numbers(m))
    m = re.fullmatch(r"(SAO|HD) ?(\d+)", catalog)
    if m:
        return (m.group(1), int(m.group(2)))
    m = re.fullmatch(r"(NGC|IC) ?0*(\d+)", catalog)
    if m:
        return (m.group(1), int(m.group(2)))
    raise SystemExit(f"record {number}: no source for catalogue designation {catalog!r}")


def fetch_d3_celestial(folder):
    """Fetches d3-celestial with npm and unpacks its data files into folder."""
    print(f"fetching d3-celestial@{D3_CELESTIAL_VERSION} into {folder}", file=sys.stderr)
    with tempfile.TemporaryDirectory() as scratch:
        subprocess.run(["npm", "pack", "--loglevel=warn", f"d3-celestial@{D3_CELESTIAL_VERSION}"],
                       cwd=scratch, check=True, stdout=subprocess.DEVNULL)
        tgz = [f for f in os.listdir(scratch) if f.endswith(".tgz")][0]
        with tarfile.open(os.path.join(scratch, tgz)) as tar:
            for member in tar.getmembers():
                # Only the package's own data files, written by name: nothing
                # in the archive can place a file outside folder.
                m = re.fullmatch(r"package/((?:data/)?[A-Za-z0-9_.]+\.json)", member.name)
                if not m or not member.isfile():
                    continue
                target = os.path.join(folder, m.group(1))
                os.makedirs(os.path.dirname(target), exist_ok=True)
                with open(target, "wb") as out:
                    out.write(tar.extractfile(member).read())


def read_stars(d3):
    """Hipparcos number -> (RA hours, Dec degrees, V magnitude) at J2000.0."""
    with open(os.path.join(d3, "data", "stars.14.json"), encoding="utf-8") as f:
        features = json.load(f)["features"]
    stars = {}
    for feature in features:
        lon, lat = feature["geometry"]["coordinates"]
        stars[int(feature["id"])] = ((lon % 360.0) / 15.0, lat, float(feature["properties"]["mag"]))
    return stars


def read_cross_ids(stellarium):
    """("HR"|"HD"|"SAO", number) -> list of Hipparcos numbers."""
    ids = {}
    with open(os.path.join(stellarium, "stars", "default", "cross-id.dat"), encoding="ascii") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            fields = line.rstrip("\n").split("\t")
            hip = int(fields[0])
            # Columns: HIP, (component), SAO, HD, HR.
            for name, text in (("SAO", fields[2]), ("HD", fields[3]), ("HR", fields[4])):
                if text.strip():
                    ids.setdefault((name, int(text)), []).append(hip)
    return ids


def read_deep_sky(stellarium):
    """Stellarium's deep-sky catalogue: (catalogue, number) -> list of
    (RA hours, Dec degrees, object id).

    The file is a gzipped Qt data stream: a version and an edition string, then
    one record per object, big-endian, reals as doubles, texts as UTF-16.
    """
    path = os.path.join(stellarium, "nebulae", "default", "catalog.dat")
    data = gzip.open(path).read()
    pos = 0

    def text():
        nonlocal pos
        (n,) = struct.unpack_from(">I", data, pos)
        pos += 4
        if n == 0xFFFFFFFF:
            return ""
        s = data[pos:pos + n].decode("utf-16-be")
        pos += n
        return s

    def integer():
        nonlocal pos
        (v,) = struct.unpack_from(">i", data, pos)
        pos += 4
        return v

    def real():
        nonlocal pos
        (v,) = struct.unpack_from(">d", data, pos)
        pos += 8
        return v

    version = text()
    text()  # edition
    if not version.startswith("3."):
        raise SystemExit(f"{path}: unknown catalogue version {version}")
    index = {}
    while pos < len(data):
        entry = integer()                    # object id
        ra, dec = real(), real()             # radians
        real(), real()                       # B and V magnitudes
        integer(), text()                    # type, morphology
        real(), real(), integer()            # axes, orientation
        for _ in range(6):
            real()                           # redshift, parallax, distance and errors
        numbers = {}
        for name in ("NGC", "IC", "M", "C", "B", "Sh2", "VdB", "RCW", "LDN", "LBN",
                     "Cr", "Mel", "PGC", "UGC"):
            numbers[name] = integer()
        numbers["Ced"] = text()
        integer(), integer()                 # Arp, VV
        for _ in range(7):
            text()                           # PK, PN G, SNR G, ACO, HCG, ESO, vdBH
        for _ in range(5):
            integer()                        # DWB, Tr, St, Ru, vdB-Ha
        place = ((math.degrees(ra) / 15.0) % 24.0, math.degrees(dec), entry)
        for name, value in numbers.items():
            if value:
                index.setdefault((name, value), []).append(place)
    return version, index


def resolve(key, stars, cross_ids, deep_sky):
    """(RA hours, Dec degrees, note, identity) of a catalogue key; records with
    the same identity name the same object."""
    kind = key[0]
    if kind == "PUBLISHED":
        (h, m, s), (sign, d, dm, ds) = PUBLISHED_PLACES[key[1]]
        return h + m / 60 + s / 3600, sign * (d + dm / 60 + ds / 3600), "published centre", key
    if kind in ("HR", "HD", "SAO", "HIP"):
        # A double or a group names several stars: the first that the
        # catalogues hold. A star with several Hipparcos entries (the
        # components of a close pair): the brightest.
        for number in key[1:]:
            hips = [number] if kind == "HIP" else cross_ids.get((kind, number), [])
            hips = [h for h in sorted(set(hips)) if h in stars]
            if hips:
                hip = min(hips, key=lambda h: (stars[h][2], h))
                ra, dec, _ = stars[hip]
                note = f"HIP {hip}" if kind == "HIP" else f"{kind} {number} = HIP {hip}"
                return ra, dec, note, ("HIP", hip)
        raise SystemExit(f"{kind} {key[1:]}: not in the star catalogue")
    places = deep_sky.get(key, [])
    if len(places) != 1:
        raise SystemExit(f"{kind} {key[1]}: {len(places)} entries in the deep-sky catalogue")
    ra, dec, entry = places[0]
    return ra, dec, f"{kind} {key[1]}", ("DSO", entry)


def fixed4(x):
    text = f"{x:.4f}"
    return "0.0000" if text == "-0.0000" else text


def cpp_string(s):
    return '"' + s.replace("\\", "\\\\").replace('"', '\\"') + '"'


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--d3-celestial", default=DEFAULT_D3)
    parser.add_argument("--stellarium", default=DEFAULT_STELLARIUM)
    parser.add_argument("--output", default=DEFAULT_OUTPUT)
    args = parser.parse_args()

    if not os.path.exists(os.path.join(args.d3_celestial, "data", "stars.14.json")):
        fetch_d3_celestial(args.d3_celestial)
    d3_version = "?"
    package_json = os.path.join(args.d3_celestial, "package.json")
    if os.path.exists(package_json):
        with open(package_json, encoding="utf-8") as f:
            d3_version = json.load(f).get("version", "?")
    if d3_version != D3_CELESTIAL_VERSION:
        print(f"warning: d3-celestial {d3_version}, the table was made from {D3_CELESTIAL_VERSION}",
              file=sys.stderr)

    stars = read_stars(args.d3_celestial)
    cross_ids = read_cross_ids(args.stellarium)
    dso_version, deep_sky = read_deep_sky(args.stellarium)

    # The layout the program's lookup by number relies on.
    numbers = [r[0] for r in RECORDS]
    expected = [n for first, last in GROUPS for n in range(first, last + 1)]
    if numbers != expected or len(RECORDS) != 436:
        raise SystemExit("records do not follow the group layout")

    found = {number: resolve(source_of(number, catalog), stars, cross_ids, deep_sky)
             for number, _, catalog in RECORDS}
    fixed_by_object = {found[n][3]: place for n, place in FIXED_PLACES.items()}

    rows = []
    for number, name, catalog in RECORDS:
        ra, dec, note, identity = found[number]
        if identity in fixed_by_object:
            ra, dec = fixed_by_object[identity]
            note += ", fixed place" if number in FIXED_PLACES else ", fixed place of the same object"
        ra_text = fixed4(ra)
        if ra_text == "24.0000":
            ra_text = "0.0000"
        rows.append((number, ra_text, fixed4(dec), name, catalog, note))

    group_titles = {
        1: "Messier objects by Messier number",
        201: "stars, double stars, clusters, nebulae and galaxies in order of right ascension",
        401: "bright stars between declinations +30 and +50 degrees",
        501: "the brightest stars, then a quasar and double stars",
        600: "bright stars of the southern sky",
        700: "deep-sky objects of the southern sky",
    }
    out = []
    out.append("// GENERATED by tools/generate_object_library.py -- do not edit by hand;")
    out.append("// change the script and run it again.")
    out.append("//")
    out.append("// Orv's built-in object library: number, mean place of equinox 2000.0")
    out.append("// (right ascension in hours, declination in degrees), common name and")
    out.append("// catalogue designation of 436 objects. Places from:")
    out.append(f"//   - d3-celestial {d3_version} (npm), data/stars.14.json: Hipparcos star")
    out.append("//     positions at J2000.0, reached from BS (HR), HD and SAO numbers through")
    out.append("//     Stellarium's stars/default/cross-id.dat (Debian stellarium-data);")
    out.append(f"//   - Stellarium's deep-sky catalogue nebulae/default/catalog.dat {dso_version}:")
    out.append("//     Messier, NGC, IC, Caldwell, PGC and Cederblad numbers;")
    out.append("//   - published centre coordinates for 3C 273 and SN 1987A;")
    out.append("//   - fixed places for records 1, 2, 201, 401, 501, 600, 627, 700 and 823")
    out.append("//     and the records that name the same objects (31, 228, 300).")
    out.append("// The comment of each row names the entry its place came from.")
    out.append("")
    out.append('#include "astro/ObjectLibrary.h"')
    out.append("")
    out.append("namespace orv {")
    out.append("")
    out.append("namespace {")
    out.append("")
    out.append("constexpr std::array<TStarLib, LibrarySize> StarLibraryTable{{")
    for number, ra, dec, name, catalog, note in rows:
        if number in group_titles:
            if number != 1:
                out.append("")
            out.append(f"    // {number}-: {group_titles[number]}")
        out.append(f"    {{{number}, {ra}, {dec}, {cpp_string(name)}, {cpp_string(catalog)}}},  // {note}")
    out.append("}};")
    out.append("")
    out.append("}  // namespace")
    out.append("")
    out.append("const std::array<TStarLib, LibrarySize>& StarLibrary() { return StarLibraryTable; }")
    out.append("")
    out.append("}  // namespace orv")
    text = "\n".join(out) + "\n"
    with open(args.output, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)
    print(f"wrote {len(rows)} records to {args.output}", file=sys.stderr)


if __name__ == "__main__":
    main()
