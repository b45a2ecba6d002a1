(COMMENT Seed for the TFM fuzzer: pltotf seed_tiny.pl seed_tiny.tfm)
(FAMILY QUIRNTEST)
(DESIGNSIZE R 12.0)
(CHECKSUM O 1234567)
(FONTDIMEN
   (SLANT R 0.0)
   (SPACE R 0.3)
   )
(CHARACTER C A
   (CHARWD R 0.75)
   (CHARHT R 0.7)
   )
(CHARACTER C g
   (CHARWD R 0.5)
   (CHARHT R 0.45)
   (CHARDP R 0.2)
   )
(CHARACTER O 377
   (CHARWD R -0.1)
   (CHARHT R 0.1)
   (CHARDP R -0.05)
   )
