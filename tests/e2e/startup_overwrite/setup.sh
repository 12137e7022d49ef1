printf "earlier report\n%.0s" $(seq 1 50) > old.txt
