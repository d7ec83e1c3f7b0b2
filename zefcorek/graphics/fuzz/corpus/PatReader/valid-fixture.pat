;; test
*ANSI31,ANSI Iron, Brick, Stone masonry
45, 0,0, 0,.125
*DASHED , dashes and dots
;[PrwScale=2.5]
0,0,0,0,1,.5,-.25,0
*VLINES
90, 0,0, 0,1
