# The COBOL kit's pinned sources, Debian's tarballs as fetch_source (../fetch.sh) takes them:
# sourced by build-kit.sh and by the tests that read GnuCOBOL's own sources.
gmp_pool=g/gmp/gmp_6.2.1+dfsg1.orig.tar.xz
gmp_sum=471b9e463e04362a0124f215afc5f0a4b99caedeeb62634c61bbc12988efa64c
cob_pool=g/gnucobol3/gnucobol3_3.1.2.orig.tar.xz
cob_sum=597005d71fd7d65b90cbe42bbfecd5a9ec0445388639404662e70d53ddf22574
