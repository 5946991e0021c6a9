# The COBOL kit's pinned sources, Debian's tarballs as fetch_source (../fetch.sh) takes them:
# sourced by build-kit.sh and by the tests that read GnuCOBOL's own sources.
gmp_pool=g/gmp/gmp_6.2.1+dfsg1.orig.tar.xz
gmp_sum=471b9e463e04362a0124f215afc5f0a4b99caedeeb62634c61bbc12988efa64c
cob_pool=g/gnucobol3/gnucobol3_3.1.2.orig.tar.xz
cob_sum=597005d71fd7d65b90cbe42bbfecd5a9ec0445388639404662e70d53ddf22574
# The runtime's libraries, built into libcob: Berkeley DB (indexed files; the Debian revision's
# patches are applied too), ncurses (screens), libxml2 (XML GENERATE), cJSON (JSON GENERATE).
db_pool=d/db5.3/db5.3_5.3.28+dfsg2.orig.tar.xz
db_sum=ad41b507415dec8316e828b2230242af2251d2c86eefa3c7aa9ef47c5239ef33
db_debian_pool=d/db5.3/db5.3_5.3.28+dfsg2-1.debian.tar.xz
db_debian_sum=52cb792fe53138c79a0328ffd1d771e3112791f546fd00e0dcd4b0e3efc5d916
ncurses_pool=n/ncurses/ncurses_6.4.orig.tar.gz
ncurses_sum=6931283d9ac87c5073f30b6290c4c75f21632bb4fc3603ac8100812bed248159
xml2_pool=libx/libxml2/libxml2_2.9.14+dfsg.orig.tar.xz
xml2_sum=4fe913dec8b1ab89d13b489b419a8203176ea39e931eaa0d25b17eafb9c279e9
cjson_pool=c/cjson/cjson_1.7.15.orig.tar.gz
cjson_sum=5308fd4bd90cef7aa060558514de6a1a4a0819974a26e6ed13973c5f624c24b2
