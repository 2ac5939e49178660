# The ICMP client and the connectivity probe (in a private network namespace when run as root).
quill_add_test(tst_icmp update/tst_icmp.cpp TIMEOUT 120)
